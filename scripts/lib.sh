# Shared by the README's commands: where things are built and which Windows
# build the tests run.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SOBEEP_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

# The shipped programs are 32-bit. Machines whose kernel refuses 32-bit
# Linux programs cannot run 32-bit Wine; there the same sources are also
# built for x86_64 and run under 64-bit Wine.
can_run_win32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if [ -n "${SOBEEP_TEST_ARCH:-}" ]; then
  test_arch=$SOBEEP_TEST_ARCH
elif can_run_win32; then
  test_arch=i686
else
  test_arch=x86_64
fi
win_build() { [ "$1" = i686 ] && echo "$build/win32" || echo "$build/win64"; }
wine_loader() { [ "$1" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64; }

# configure_and_build DIR [CMAKE_ARGS...] [-- TARGETS...]: all targets when
# none are named.
configure_and_build() {
  local dir=$1 args=() targets=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift && targets=("$@")
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "${args[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs" ${targets[@]+--target "${targets[@]}"}
}
