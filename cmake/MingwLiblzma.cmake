# liblzma for a mingw-w64 build, made from Debian's xz-utils source package by
# scripts/build-liblzma-mingw.sh on first configure, as the imported target lzma_mingw. Its own
# headers are used: the host's /usr/include/lzma.h must not leak into the cross build.
#   stubkit_mingw_liblzma(KIND)   KIND: decoder (the stub's) or encoder (stubpack.exe's)
# STUBKIT_LZMA_DIR is where the library is kept (prefix/ below it).
function(stubkit_mingw_liblzma kind)
  set(prefix "${STUBKIT_LZMA_DIR}/prefix")
  set(stamp "${prefix}/.built-by-stubkit-5-${STUBKIT_MINGW_TRIPLE}")
  if(kind STREQUAL "encoder")
    string(APPEND stamp "-encoder")
  endif()
  if(NOT EXISTS "${stamp}" OR NOT EXISTS "${prefix}/lib/liblzma.a")
    message(STATUS "Building liblzma (${kind}) for ${STUBKIT_MINGW_TRIPLE} in ${STUBKIT_LZMA_DIR}")
    execute_process(
      COMMAND "${CMAKE_SOURCE_DIR}/scripts/build-liblzma-mingw.sh" "${STUBKIT_LZMA_DIR}"
              "${STUBKIT_MINGW_TRIPLE}" "${kind}"
      RESULT_VARIABLE lzma_result)
    if(NOT lzma_result EQUAL 0)
      message(FATAL_ERROR "scripts/build-liblzma-mingw.sh failed (${lzma_result})")
    endif()
  endif()
  add_library(lzma_mingw STATIC IMPORTED GLOBAL)
  set_target_properties(lzma_mingw PROPERTIES
    IMPORTED_LOCATION "${prefix}/lib/liblzma.a"
    INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include"
    INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
endfunction()
