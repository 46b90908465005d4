# What both MinGW-w64 toolchains share; each toolchain file sets
# KLAVRUN_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR first.
#
# The posix-threads variant of the compiler: GoogleTest needs std::mutex,
# which the win32-threads variant of GCC 12 does not provide. Linking with
# -static folds its thread library into the executable, so nothing but
# system DLLs is imported.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KLAVRUN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KLAVRUN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KLAVRUN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KLAVRUN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables are Windows programs: run them through wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
