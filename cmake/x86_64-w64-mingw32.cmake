# Cross toolchain for the 64-bit Windows stub (PE32+): the same sources, tested under wine64 on
# machines that cannot run 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(STUBKIT_MINGW_TRIPLE x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake")
