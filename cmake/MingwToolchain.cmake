# Shared body of the mingw-w64 toolchain files: Debian's cross compilers (posix threads flavour)
# for the triple the including file sets in STUBKIT_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${STUBKIT_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${STUBKIT_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${STUBKIT_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${STUBKIT_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${STUBKIT_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${STUBKIT_MINGW_TRIPLE}-strip CACHE FILEPATH "")

# Headers and libraries come from the cross sysroot only, never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${STUBKIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
