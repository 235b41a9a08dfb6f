#!/usr/bin/env bash
# The main job on a desktop with a sound server: a private PulseAudio with a
# null sink stands where a desktop's server would ($XDG_RUNTIME_DIR/pulse),
# and the player's audio must reach the sink, whole and at its real pace,
# while the capture still shows that exactly the file's samples played.
#   sound-server-test.sh WIN_BUILD_DIR LOADER WORK_DIR
set -euo pipefail
win=$1 loader=$2 work=$(realpath -m "$3")
root=$(cd "$(dirname "$0")/../.." && pwd)
wave=$root/samples/chime.wav

if ! command -v pulseaudio >/dev/null; then
  echo "skipped: no PulseAudio server program here (a desktop that runs PipeWire's server has none)"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/home"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  bash "$root/tests/wine/sound-server.sh" stop "$work/server"
  wait 2>/dev/null || true
}
trap cleanup EXIT

server=$(bash "$root/tests/wine/sound-server.sh" start "$work/server")
runtime=${server#unix:}
export XDG_RUNTIME_DIR=${runtime%/pulse/native}
HOME=$work/home parec --server="$server" -d desk.monitor \
  --format=s16le --rate=22050 --channels=1 --raw > "$work/sink.raw" 2>"$work/parec.log" &
pids+=($!)

status=0
# A display the user watches has no part in the test.
unset DISPLAY
SOBEEP_SOUND=output SOBEEP_PLAY_SESSION=$work/session bash "$root/scripts/play-file.sh" "$win" "$loader" "$wave" \
  > "$work/report" || status=$?
cat "$work/report"

PYTHONPATH=$root/scripts python3 - "$wave" "$work/sink.raw" "$work/report" "$status" <<'PY'
import sys, time
from played import wave_data

wave, sink, report_path, status = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
data, rate, channels, bits = wave_data(wave)
report = open(report_path).read()
failures = []
if status != 0:
    failures.append(f"the main job exited with {status}")
if "played the whole file to the sound server" not in report:
    failures.append("the report does not say the whole file went to the sound server")
# The sink hears the file's samples in order. When the player closes the
# device at the end, the ALSA plugin flushes what the server has not played
# yet: the last few milliseconds of the file (96 samples of the chime in the
# runs seen) never reach the sink, while the capture before the plugin
# holds them all. A tail of up to 50 ms may be missing; nothing else.
tail_limit = rate * channels * bits // 8 // 20
def heard_part(heard):
    first = next((i for i in range(0, len(heard), 2) if heard[i:i + 2] != b"\0\0"), -1)
    lead = next((i for i in range(0, len(data), 2) if data[i:i + 2] != b"\0\0"), 0)
    if first < 0:
        return -1
    at = first - lead
    got = heard[at:at + len(data)]
    same = 0
    while same < len(got) and got[same] == data[same]:
        same += 1
    return same - same % 2 if not got[same:].strip(b"\0") else -1
deadline = time.time() + 10
heard, same = b"", -1
while time.time() < deadline:
    heard = open(sink, "rb").read()
    same = heard_part(heard)
    if same >= len(data) - tail_limit:
        break
    time.sleep(0.2)
if same < len(data) - tail_limit:
    loud = sum(1 for i in range(0, len(heard) - 1, 2) if heard[i:i + 2] != b"\0\0")
    failures.append(f"the sink did not receive the file's samples: {len(heard)} bytes heard, "
                    f"{loud} samples not silent, {max(same, 0)} bytes in order")
# At the null device's pace the 0.9 s chime takes a quarter of that; the
# server plays it in real time, so the run cannot be shorter than the file.
seconds = len(data) / (rate * channels * bits // 8)
took = float(report.split(" s from start to exit")[0].split()[-1])
if took < seconds:
    failures.append(f"the run took {took:.2f} s, less than the file's {seconds:.2f} s")
for failure in failures:
    print("FAILED:", failure)
if not failures:
    print(f"the sink received {same} of the file's {len(data)} bytes in order, "
          f"the last {len(data) - same} bytes flushed at the close")
sys.exit(1 if failures else 0)
PY
