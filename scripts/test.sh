#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs
# every test: the host unit tests, plain and under sanitizers, fuzzing, the
# code style and the documents, the static checks of the shipped programs,
# a second build of the release that must give the same bytes, and the
# Windows tests under Wine (docs/testing.md).
set -euo pipefail
here=$(dirname "$0")
bash "$here/install-deps.sh"
bash "$here/build.sh"
source "$here/lib.sh"

echo "== host tests"
ctest --test-dir "$build/host" --output-on-failure -j "$jobs"
echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer (clang)"
CC=clang CXX=clang++ configure_and_build "$build/host-sanitize" -DSOBEEP_SANITIZE=ON
ctest --test-dir "$build/host-sanitize" --output-on-failure -j "$jobs"
echo "== fuzzing the platform-free rules (libFuzzer, ${SOBEEP_FUZZ_SECONDS:-30} s per target)"
CC=clang CXX=clang++ configure_and_build "$build/host-fuzz" -DSOBEEP_FUZZ=ON \
  -DSOBEEP_FUZZ_SECONDS="${SOBEEP_FUZZ_SECONDS:-30}"
ctest --test-dir "$build/host-fuzz" --output-on-failure
cat "$build/host-fuzz"/tests/fuzz/work/*/summary
echo "== code style (.clang-format, the naming rule of .clang-tidy) and the documents"
bash "$here/style.sh" "$build/host" "$build/host-fuzz" "$build/win32"
echo "== static checks of the shipped i686 build ($build/win32/dist)"
ctest --test-dir "$build/win32" -R '^i686\.static_checks$' --output-on-failure
echo "== reproducible release: the shipped files built again in another folder, time zone and umask"
bash "$here/reproducible.sh"
echo "== Windows tests ($test_arch build under Wine)"
ctest --test-dir "$(win_build "$test_arch")" --output-on-failure
# Where the tests above ran the x86_64 build, the shipped i686 build runs
# its own cases under a private 32-bit Wine: natively where this kernel runs
# 32-bit programs, under QEMU's user-mode emulator where it does not.
if [ "$test_arch" != i686 ]; then
  source "$here/i386.sh"
  if runs_i386_natively && [ "${SOBEEP_WINE32_EMULATED:-0}" != 1 ]; then
    echo "== the shipped i686 build's cases under 32-bit Wine"
  else
    echo "== the shipped i686 build's cases under 32-bit Wine in QEMU's user-mode emulator"
  fi
  ctest --test-dir "$build/win32" -R '^i686\.' -E '^i686\.static_checks$' --output-on-failure
fi
