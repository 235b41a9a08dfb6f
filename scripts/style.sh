#!/usr/bin/env bash
# One code style for every C++ source the repository holds: the format of
# .clang-format, the standard headers each source includes for itself
# (includes.py), and the naming rule of .clang-tidy; then the documents,
# which must name only what the tree holds (check-docs.py). scripts/test.sh
# runs it once the builds are there: their compile_commands.json tell
# clang-tidy how each file is built (the host build, the fuzz build and the
# shipped Windows build, whose cross compiler's C++ headers clang is pointed
# at).
#   style.sh HOST_BUILD FUZZ_BUILD WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$root"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
echo "format: ${#sources[@]} sources as .clang-format has them"
python3 scripts/includes.py "${sources[@]}"

# The files each build compiles (one build per file), and any source that no
# build compiles, which clang-tidy cannot check.
mapfile -t plan < <(python3 - "$root" "$@" <<'PY'
import json, os, sys
root, builds = sys.argv[1], sys.argv[2:]
seen = set()
for build in builds:
    for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
        path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
        if path.startswith("..") or path in seen or not path.endswith(".cpp"):
            continue
        seen.add(path)
        print(build, path)
PY
)
unchecked=()
for source in "${sources[@]}"; do
  [[ $source == *.cpp ]] || continue
  printf '%s\n' "${plan[@]}" | grep -q " $source\$" || unchecked+=("$source")
done
if [ ${#unchecked[@]} -gt 0 ]; then
  echo "naming: no build compiles ${unchecked[*]}" >&2
  exit 1
fi

# Where the cross compiler keeps its C++ headers, for clang.
cross_headers() {
  local compiler
  compiler=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[0]["command"].split()[0])' \
    "$1/compile_commands.json")
  echo | "$compiler" -E -x c++ - -v 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ /.*c++' |
    sed 's/^ /--extra-arg-before=-isystem/'
}
windows_args=($(cross_headers "$3") --extra-arg=-fexec-charset=UTF-8)

failed=0
for build in "$@"; do
  args=()
  [ "$build" = "$3" ] && args=("${windows_args[@]}")
  mapfile -t files < <(printf '%s\n' "${plan[@]}" | sed -n "s#^$build ##p")
  [ ${#files[@]} -gt 0 ] || continue
  printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "$jobs" clang-tidy -p "$build" --quiet "${args[@]}" >"$build/naming.log" 2>&1 ||
    failed=1
done
if [ "$failed" -ne 0 ]; then
  for build in "$@"; do grep -h -A2 'error:' "$build/naming.log" || true; done | sed "s#$root/##" >&2
  echo "naming: see .clang-tidy for the rule" >&2
  exit 1
fi
echo "naming: ${#plan[@]} files and the headers they include follow .clang-tidy"
python3 scripts/check-docs.py
