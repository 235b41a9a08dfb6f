#!/usr/bin/env bash
# Builds the host tools and tests, the shipped 32-bit programs (build/win32,
# with the shipped files in build/win32/dist), and the Windows build that
# the tests run on this machine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

configure_and_build "$build/host"
configure_and_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
  -DMINGW_ARCH=i686 -DSOBEEP_HOST_BUILD="$build/host"
if [ "$test_arch" != i686 ]; then
  configure_and_build "$(win_build "$test_arch")" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
    -DMINGW_ARCH="$test_arch" -DSOBEEP_HOST_BUILD="$build/host"
fi
