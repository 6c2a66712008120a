# The Windows stub, cross-built with mingw-w64: PE32 for i686 (toolchain file
# cmake/i686-w64-mingw32.cmake, preset "windows"), the product; PE32+ for x86_64
# (cmake/x86_64-w64-mingw32.cmake, preset "windows-x64"), the same sources built to run the Wine
# tests where only 64-bit Wine starts. Only stub.exe is built here: stubpack, the tests and the
# POSIX layer belong to the Linux build.
#
# stub.exe: GUI program, -Os, no exceptions or RTTI, unused sections dropped, stripped,
# statically linked, importing system DLLs only. Its format and imports are checked after every
# link, and the size of the PE32 product too.

enable_language(C RC)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(STUBKIT_STUB_ARCH x64)
  set(STUBKIT_STUB_SIZE_LIMIT 0)
  set(STUBKIT_STUB_ENTRY StubEntry)
  set(STUBKIT_STUB_ARCH_FLAGS "")
else()
  set(STUBKIT_STUB_ARCH x86)
  set(STUBKIT_STUB_SIZE_LIMIT 49152 CACHE STRING "Largest stub.exe allowed, in bytes")
  # The entry symbol carries the stdcall decoration on i686 only.
  set(STUBKIT_STUB_ENTRY _StubEntry@0)
  # The 4-byte stack alignment that the 32-bit Win32 ABI guarantees (GCC would otherwise keep
  # the stack 16-byte aligned at every call); the 64-bit ABI requires 16 bytes.
  set(STUBKIT_STUB_ARCH_FLAGS -mpreferred-stack-boundary=2)
endif()
set(STUBKIT_LZMA_DIR "${CMAKE_BINARY_DIR}/liblzma" CACHE PATH
    "Where scripts/build-liblzma-mingw.sh keeps the cross-built liblzma (prefix/ below it)")

# liblzma, decoder only.
include("${CMAKE_CURRENT_LIST_DIR}/MingwLiblzma.cmake")
stubkit_mingw_liblzma(decoder)

# The icon: one 32 x 32, 16-colour image drawn by a script of ours.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(STUB_ICON "${CMAKE_BINARY_DIR}/stub.ico")
add_custom_command(OUTPUT "${STUB_ICON}"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/scripts/make-icon.py" "${STUB_ICON}"
  DEPENDS "${CMAKE_SOURCE_DIR}/scripts/make-icon.py"
  COMMENT "Drawing stub.ico")
set(STUB_RC "${CMAKE_BINARY_DIR}/stub.rc")
set(STUB_RESOURCES "${CMAKE_SOURCE_DIR}/src/driver/windows")
# Written only when its text changes: every build of the tree reconfigures this one, and a
# rewritten file would relink stub.exe each time.
file(CONFIGURE OUTPUT "${STUB_RC}" CONTENT "1 ICON \"stub.ico\"
#define STUB_MANIFEST \"${STUB_RESOURCES}/stub.manifest\"
#include \"${STUB_RESOURCES}/StubResources.rc\"
")
set_source_files_properties("${STUB_RC}" PROPERTIES OBJECT_DEPENDS
  "${STUB_ICON};${STUB_RESOURCES}/stub.manifest;${STUB_RESOURCES}/StubResources.rc;${CMAKE_SOURCE_DIR}/src/driver/StubTag.h")

file(GLOB STUB_SOURCES CONFIGURE_DEPENDS
  src/support/*.cpp src/format/*.cpp src/driver/*.cpp src/archive/*.cpp src/decode/*.cpp
  src/extract/*.cpp src/platform/windows/*.cpp src/driver/windows/*.cpp)
# The failure reasons' texts serve tests and stubpack: stub.exe keeps none of them.
list(FILTER STUB_SOURCES EXCLUDE REGEX "/FailureReasonText\\.cpp$")

# No C runtime start-up code: the entry point (StubEntry, src/driver/EntryPoint.cpp) runs the
# C++ constructors and ends the process itself, which saves about 9 KiB of start-up code and
# its console and error-reporting imports. The system libraries come from GCC's own list for
# -mwindows only: CMake's default list repeats kernel32 and user32 ahead of it, and ld
# crashes on such an LTO link without start files.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")

# Size matters more than speed here: -Os with link-time optimisation across the sources, every
# function in its own section so that the linker drops what is unused, no unwind tables. No
# -fdata-sections: with it, mingw's GCC puts zero-initialised
# data into .data instead of .bss, so the path buffers would take room in the file.
set(STUB_COMPILE_FLAGS -Os -flto -ffunction-sections
    -fno-asynchronous-unwind-tables ${STUBKIT_STUB_ARCH_FLAGS})

add_executable(stub WIN32 ${STUB_SOURCES} "${STUB_RC}")
target_include_directories(stub PRIVATE src)
target_compile_options(stub PRIVATE
  $<$<COMPILE_LANGUAGE:CXX,C>:${STUB_COMPILE_FLAGS} -Wall -Wextra>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)
target_compile_definitions(stub PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:NDEBUG>)
target_link_options(stub PRIVATE ${STUB_COMPILE_FLAGS} -static -s -Wl,--gc-sections
  -nostartfiles -Wl,-e,${STUBKIT_STUB_ENTRY} -Wl,--no-insert-timestamp -Wl,--dynamicbase
  -Wl,--nxcompat
  "-Wl,-Map=${CMAKE_BINARY_DIR}/stub.map")
target_link_libraries(stub PRIVATE lzma_mingw advapi32 shell32 gdi32)

# Format, imports and (PE32 only) size are checked after every link: a larger stub or a foreign
# DLL fails the build.
add_custom_command(TARGET stub POST_BUILD
  COMMAND "${CMAKE_COMMAND}" -DSTUB=$<TARGET_FILE:stub> -DARCH=${STUBKIT_STUB_ARCH}
          -DLIMIT=${STUBKIT_STUB_SIZE_LIMIT}
          -DOBJDUMP=${CMAKE_OBJDUMP} -P "${CMAKE_SOURCE_DIR}/cmake/CheckStub.cmake"
  COMMAND "${CMAKE_COMMAND}" -DSTUB=$<TARGET_FILE:stub>
          -P "${CMAKE_SOURCE_DIR}/cmake/CheckNoSignature.cmake"
  VERBATIM)
