# Cross toolchain for the 32-bit Windows stub (PE32, the product).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(STUBKIT_MINGW_TRIPLE i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake")
