# Cross toolchain for the Windows programs: MinGW-w64, static runtime.
# MINGW_ARCH selects the target: i686 (the shipped 32-bit build, default)
# or x86_64 (the same sources built for hosts that can only run 64-bit Wine).
set(MINGW_ARCH "i686" CACHE STRING "MinGW-w64 target: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(_triple ${MINGW_ARCH}-w64-mingw32)
# The posix thread model: GoogleTest, which the Windows tests use, needs
# std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
