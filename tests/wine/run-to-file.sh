#!/usr/bin/env bash
# run.sh with the program's output passed on through a file:
#   run-to-file.sh DIR PROGRAM.exe [ARGS...]
# Wine processes that start while the program runs (a services.exe that
# Wine boots again after a crash, its device hosts) inherit its output and
# live on after it. Were that output ctest's pipe, ctest would wait for them
# to end, that is until the entry's timeout.
set -uo pipefail
out=$(mktemp)
status=0
bash "$(dirname "$0")/run.sh" "$@" > "$out" 2>&1 || status=$?
cat "$out"
rm -f "$out"
exit "$status"
