#!/usr/bin/env bash
# The README's test command: installs what is missing, builds everything and
# runs every test through ctest: the host unit tests, then the Windows tests
# under Wine.
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
echo "== code style: .clang-format and the naming rule of .clang-tidy"
bash "$here/style.sh" "$build/host" "$build/host-fuzz" "$build/win32"
echo "== Windows tests ($test_arch build under Wine)"
ctest --test-dir "$(win_build "$test_arch")" --output-on-failure
