#!/usr/bin/env bash
# Plays one wave file with a built player in a private Wine session and
# tells what happened; the main job's core, also run by the tests.
#   play-file.sh WIN_BUILD_DIR LOADER FILE.wav
# The session hands the audio to the machine's sound output when there is
# one (SOBEEP_SOUND=capture keeps it in the capture only); either way the
# capture shows which bytes were played.
set -euo pipefail
win=$(realpath "$1") loader=$2 file=$(realpath "$3")
root=$(cd "$(dirname "$0")/.." && pwd)
session=${SOBEEP_PLAY_SESSION:-$win/play-session}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export SESSION_DISPLAY=$DISPLAY
fi
[ "${SOBEEP_SOUND:-output}" = capture ] || export SESSION_AUDIO=output
trap 'bash "$root/tests/wine/session.sh" stop "$session"' EXIT
bash "$root/tests/wine/session.sh" start "$session" "$loader" "$win/tests/win/session_keeper.exe" >/dev/null

winfile="Z:${file//\//\\}"
start=$(date +%s.%N)
set +e
# Wine quotes an argument that holds blanks when it builds the command line,
# as the shell's "%1" in quotes would.
bash "$root/tests/wine/run.sh" "$session" "$win/player/soBeep.exe" "$winfile"
code=$?
set -e
end=$(date +%s.%N)

python3 "$root/scripts/played.py" "$file" "$session/capture" "$(sed -n 2p "$session/audio")" \
  "$start" "$end" "$code"
