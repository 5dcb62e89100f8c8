# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers: the
# -posix ones, whose libstdc++ has std::thread and friends. Everything is
# linked statically, so a program is one .exe that needs no DLL of its own,
# only what every Windows has (KERNEL32, msvcrt, ...). Programs built here
# run under wine on this machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(morvane_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${morvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${morvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${morvane_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${morvane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(MORVANE_WINE wine)
if(MORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MORVANE_WINE})
endif()
