# Shared by the MinGW-w64 toolchain files: cross-compiles for Windows with
# Debian's MinGW-w64 (posix thread model) for the target named by QTV_MINGW.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${QTV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QTV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER  ${QTV_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QTV_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
