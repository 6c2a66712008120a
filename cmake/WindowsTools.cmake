# stubpack.exe, the packer as a 64-bit Windows console program (preset "windows-tools"), from
# the same sources as the Linux stubpack: the tool's portability layer takes its Windows side
# (tools/stubpack/system/windows) and list, check and extract run the stub's core compiled
# for Windows, over the real Win32 calls. The PE32 stub.exe is built beside it (the "windows"
# preset's build, in build/windows), since stubpack.exe builds on the stub.exe in its own
# directory by default. Statically linked: stubpack.exe needs no mingw-w64 DLL.

enable_language(C RC)

# liblzma with the encoder, in a directory of its own: the stub's build keeps its decoder-only
# library.
set(STUBKIT_LZMA_DIR "${CMAKE_BINARY_DIR}/liblzma" CACHE PATH
    "Where scripts/build-liblzma-mingw.sh keeps stubpack.exe's liblzma (prefix/ below it)")
include("${CMAKE_CURRENT_LIST_DIR}/MingwLiblzma.cmake")
stubkit_mingw_liblzma(encoder)

# CLI11 is header only: its headers alone are copied in, so that no other header of the host's
# /usr/include (lzma.h among them) can reach the cross build.
find_file(STUBKIT_CLI11_HEADER CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
get_filename_component(cli11_dir "${STUBKIT_CLI11_HEADER}" DIRECTORY)
file(COPY "${cli11_dir}" DESTINATION "${CMAKE_BINARY_DIR}/cli11")

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
  src/support/*.cpp src/format/*.cpp src/driver/*.cpp src/archive/*.cpp src/decode/*.cpp
  src/extract/*.cpp src/platform/windows/*.cpp)
list(FILTER CORE_SOURCES EXCLUDE REGEX "/EntryPoint\\.cpp$")
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS tools/stubpack/*/*.cpp
     tools/stubpack/system/windows/*.cpp)

add_executable(stubpack ${CORE_SOURCES} ${TOOL_SOURCES}
               tools/stubpack/system/windows/stubpack.rc)
target_include_directories(stubpack PRIVATE src tools/stubpack "${CMAKE_BINARY_DIR}/cli11")
target_compile_definitions(stubpack PRIVATE STUBKIT_HOSTED_CORE
  "$<$<COMPILE_LANGUAGE:RC>:STUBPACK_MANIFEST=\\\"${CMAKE_SOURCE_DIR}/tools/stubpack/system/windows/stubpack.manifest\\\">")
target_compile_options(stubpack PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:-Wall -Wextra>)
set_source_files_properties(tools/stubpack/system/windows/stubpack.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/tools/stubpack/system/windows/stubpack.manifest")
# std::thread comes from the posix-threads compiler; libgcc, libstdc++ and winpthread are
# linked in, so the program imports system DLLs only.
target_link_options(stubpack PRIVATE -static -static-libgcc -static-libstdc++ -s
                    -Wl,--no-insert-timestamp)
target_link_libraries(stubpack PRIVATE lzma_mingw advapi32 shell32 gdi32 user32)

# The default stub beside stubpack.exe: the PE32 product, when the i686 compiler is there.
find_program(STUBKIT_MINGW32_CXX i686-w64-mingw32-g++)
if(STUBKIT_MINGW32_CXX)
  include("${CMAKE_CURRENT_LIST_DIR}/WindowsStubBeside.cmake")
  stubkit_windows_stub_beside("${CMAKE_SOURCE_DIR}/build/windows/liblzma")
  # The release layout: both programs in one directory, where stubpack.exe finds its stub.
  install(FILES ${CMAKE_BINARY_DIR}/stub.exe DESTINATION bin)
endif()
install(TARGETS stubpack RUNTIME DESTINATION bin)
