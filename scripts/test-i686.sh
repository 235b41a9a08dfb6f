#!/usr/bin/env bash
# The shipped i686 build under test: its static checks, and the i686.*
# cases of the Windows tests under a 32-bit Wine (the system's wine32, or a
# private one that tests/wine/wine32-root.sh builds once into the user's
# cache), natively where the kernel runs 32-bit programs and under QEMU's
# user-mode emulator where it does not. SOBEEP_WINE32_EMULATED=1 takes the
# emulated way on any machine.
#   test-i686.sh [CTEST_ARGS...]
set -euo pipefail
here=$(dirname "$0")
bash "$here/install-deps.sh"
bash "$here/build.sh"
source "$here/lib.sh"
ctest --test-dir "$build/win32" -R '^i686\.' --output-on-failure "$@"
