#!/usr/bin/env bash
# The README's main job: plays a wave file with the real player under Wine
# (samples/chime.wav when none is given) and tells what happened.
#   scripts/play.sh [FILE.wav]
# With a DISPLAY the player's tray icon shows there; without one the player
# runs on a private Xvfb. The audio goes to the machine's sound output when
# it has one (a PulseAudio or PipeWire server, or an ALSA card), at its real
# speed, and always into a capture file, which is how the run shows what was
# played.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
file=$(realpath "${1:-$here/../samples/chime.wav}")
[ -f "$file" ] || { echo "no such file: $file" >&2; exit 2; }

bash "$here/install-deps.sh"
bash "$here/build.sh" --player-only >/dev/null
source "$here/lib.sh"
exec bash "$here/play-file.sh" "$(win_build "$test_arch")" "$(wine_loader "$test_arch")" "$file"
