# The PE32 stub.exe beside a stubpack, target windows_stub: the "windows" preset's build of this
# tree, in that preset's own directory (build/windows) and with its settings, so that every
# build that wants it (debug, asan, release, windows-tools) shares one stub.exe and its
# cross-built liblzma: compiled and linked once, then found up to date, and copied to
# CMAKE_BINARY_DIR. LZMA_DIR is where that liblzma is kept.
function(stubkit_windows_stub_beside lzma_dir)
  include(ExternalProject)
  ExternalProject_Add(windows_stub
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_SOURCE_DIR}/build/windows
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/i686-w64-mingw32.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel -DSTUBKIT_LZMA_DIR=${lzma_dir}
               -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different <BINARY_DIR>/stub.exe
                    ${CMAKE_BINARY_DIR}/stub.exe
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/stub.exe)
  add_dependencies(stubpack windows_stub)
endfunction()
