#!/usr/bin/env bash
# Builds the host tools and tests, the shipped 32-bit programs (build/win32,
# with the shipped files in build/win32/dist), and the x86_64 build of the
# same sources: the static checks compare the shipped programs' resources
# with it, and the Windows tests run it where 32-bit Wine does not run.
#   build.sh [--player-only]
# --player-only builds just what playing a file needs: the artwork
# generator, and the player with the session's keeper in the build the
# tests run here.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

build_windows() {
  local arch=$1
  shift
  configure_and_build "$(win_build "$arch")" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
    -DMINGW_ARCH="$arch" -DSOBEEP_HOST_BUILD="$build/host" "$@"
}

if [ "${1:-}" = --player-only ]; then
  configure_and_build "$build/host" -- artgen
  build_windows "$test_arch" -- soBeep session_keeper
  exit 0
fi

configure_and_build "$build/host"
build_windows i686
build_windows x86_64
