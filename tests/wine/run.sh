#!/usr/bin/env bash
# Runs a Windows program inside the session that session.sh started in DIR:
#   run.sh DIR [NAME=VALUE | NAME+=VALUE ...] PROGRAM.exe [ARGS...]
# NAME=VALUE sets a variable for the program and every program it starts,
# over the session's; NAME+=VALUE adds VALUE to the session's value as one
# more entry of a ";" list (WINEDLLOVERRIDES is one). Wine hands
# a program it starts the Unix environment of its parent, not the
# environment block that CreateProcess was given, so a test's children get
# a locale (and with it their ANSI code page) or DLL overrides only this way.
set -euo pipefail
dir=$(realpath -m "$1"); shift
if [ ! -f "$dir/env" ]; then
  echo "no wine session in $dir: run the wine_session_start test first" >&2
  exit 1
fi
# shellcheck disable=SC1091
source "$dir/env"
while [ $# -gt 0 ] && [[ $1 =~ ^([A-Za-z_][A-Za-z0-9_]*)(\+?=)(.*)$ ]]; do
  name=${BASH_REMATCH[1]} value=${BASH_REMATCH[3]}
  [ "${BASH_REMATCH[2]}" = "+=" ] && value=${!name:+${!name};}$value
  export "$name=$value"
  shift
done
exec "$WINELOADER" "$@"
