# Cross toolchain for Windows with the posix-thread mingw-w64 compilers; the
# files mingw-i686.cmake and mingw-x86_64.cmake name the processor first.
set(CMAKE_SYSTEM_NAME Windows)
set(GLINT_MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${GLINT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLINT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${GLINT_MINGW}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# GLINT_DEPS_PREFIX holds the cross-built libraries (see scripts/build-win-deps.sh).
if(NOT GLINT_DEPS_PREFIX AND DEFINED ENV{GLINT_DEPS_PREFIX})
  set(GLINT_DEPS_PREFIX $ENV{GLINT_DEPS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${GLINT_MINGW} ${GLINT_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Found through PATH when run: scripts/env.sh puts a 64-bit "wine" first where needed.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
