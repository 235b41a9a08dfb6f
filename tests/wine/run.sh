#!/usr/bin/env bash
# Runs a Windows program inside the session that session.sh started in DIR:
#   run.sh DIR PROGRAM.exe [ARGS...]
set -euo pipefail
dir=$(realpath -m "$1"); shift
if [ ! -f "$dir/env" ]; then
  echo "no wine session in $dir: run the wine_session_start test first" >&2
  exit 1
fi
# shellcheck disable=SC1091
source "$dir/env"
exec "$WINELOADER" "$@"
