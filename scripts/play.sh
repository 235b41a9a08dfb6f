#!/usr/bin/env bash
# The README's main job: plays a wave file with the real player under Wine
# (samples/chime.wav when none is given) and tells what happened.
#   scripts/play.sh [FILE.wav]
# With a DISPLAY the player's tray icon shows there; without one the player
# runs on a private Xvfb. The audio goes to a capture file, which is how the
# run shows what was played.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
file=$(realpath "${1:-$here/../samples/chime.wav}")
[ -f "$file" ] || { echo "no such file: $file" >&2; exit 2; }

bash "$here/install-deps.sh"
bash "$here/build.sh" >/dev/null
source "$here/lib.sh"
win=$(win_build "$test_arch")
session=$build/play-session
loader=/usr/lib/wine/wine64
[ "$test_arch" = i686 ] && loader=/usr/lib/wine/wine

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export SESSION_DISPLAY=$DISPLAY
fi
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

python3 - "$file" "$session/capture" "$start" "$end" "$code" <<'PY'
import os, struct, sys
path, capture, start, end, code = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])
data, rate, channels, bits = b"", 0, 0, 0
with open(path, "rb") as f:
    blob = f.read()
pos = 12
while pos + 8 <= len(blob):
    tag, size = blob[pos:pos + 4], struct.unpack("<I", blob[pos + 4:pos + 8])[0]
    if tag == b"fmt ":
        _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", blob[pos + 8:pos + 24])
    elif tag == b"data":
        data = blob[pos + 8:pos + 8 + size]
    pos += 8 + size + (size & 1)
files = sorted(f for f in os.listdir(capture)) if os.path.isdir(capture) else []
played = b"".join(open(os.path.join(capture, f), "rb").read() for f in files)
seconds = len(data) / (rate * channels * bits / 8) if rate else 0
# Wine's ALSA output may write a period of silence just before or after the
# data; that is still the whole file.
at = played.find(data) if data else -1
padding = played[:at] + played[at + len(data):] if at >= 0 else b""
whole = at >= 0 and len(padding) <= 4096 and not padding.strip(b"\0")
verdict = "played the whole file" if whole else (
    "played nothing" if not played else "played audio that differs from the file")
if whole and padding:
    verdict += f" (and {len(padding)} bytes of the output's silence)"
print(f"{os.path.basename(path)}: {verdict}: {len(played) - len(padding)} of {len(data)} bytes of audio "
      f"({seconds:.2f} s at {rate} Hz), {len(files)} device open(s), "
      f"{end - start:.2f} s from start to exit, exit code {code}")
sys.exit(0 if whole and code == 0 else 1)
PY
