#!/usr/bin/env bash
# Checks that the release builds the same bytes every time: builds the
# shipped i686 programs, the help files and the zip a second time, from a
# copy of the source in another folder, in another time zone and under
# another umask, and compares them byte for byte with those of
# build/win32. Any file that differs fails the check. Run after build.sh.
#   reproducible.sh
# The copy holds no git history, so its zip takes its date from
# SOURCE_DATE_EPOCH, set to the last commit's time: the check covers that
# way of dating the entries too.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

first=$build/win32
second=$build/reproduced
copy=$second/src
[ -f "$first/dist/soBeep.exe" ] || { echo "reproducible: build $first first (scripts/build.sh)" >&2; exit 2; }

# The source as it stands, committed or not. Unchanged files keep their
# times, so a second run rebuilds only what changed.
rm -rf "$copy"
mkdir -p "$copy"
# A build folder inside the tree that .gitignore does not name stays out.
inside=$(realpath -m --relative-to="$root" "$build")/
git -C "$root" ls-files -z --cached --others --exclude-standard |
  (cd "$root" && xargs -0 sh -c 'skip=$1; shift
    for f; do case $f in "$skip"*) ;; *) if [ -e "$f" ]; then printf "%s\0" "$f"; fi ;; esac; done' sh "$inside") |
  tar -C "$root" --null -T - -cf - | tar -C "$copy" -xf -

# Another time zone than this one, whole hours away from UTC.
if [ "$(date +%z)" = +1400 ]; then zone=XYZ+12; else zone=XYZ-14; fi
# Another umask than this one.
if [ "$(umask)" = 0077 ]; then mask=0022; else mask=0077; fi
epoch=$(git -C "$root" log -1 --format=%ct)

log=$second/build.log
(
  umask "$mask"
  export TZ=$zone SOURCE_DATE_EPOCH=$epoch
  cmake -S "$copy" -B "$second/host" -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$second/host" -j "$jobs" --target artgen sobeep_help &&
    cmake -S "$copy" -B "$second/win32" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw.cmake" -DMINGW_ARCH=i686 \
      -DSOBEEP_HOST_BUILD="$second/host" &&
    cmake --build "$second/win32" -j "$jobs" --target dist_zip
) >"$log" 2>&1 || {
  cat "$log" >&2
  echo "reproducible: the second build failed" >&2
  exit 1
}

failed=0
compared=0
for file in "$first"/dist/* "$first"/SoBeep-*.zip "$first"/SoBeep-*.zip.sha256; do
  cmp "$file" "$second/win32/${file#"$first"/}" || failed=1
  compared=$((compared + 1))
done
if [ "$failed" -ne 0 ]; then
  echo "reproducible: a second build ($second, TZ=$zone, umask $mask) gave other bytes" >&2
  exit 1
fi
grep -h 'SHA-256' "$log" | sed 's/^/second build: /'
echo "reproducible: $compared files, the same bytes from a second build in $second (TZ=$zone, umask $mask)"
