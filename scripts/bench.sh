#!/usr/bin/env bash
# The README's benchmark command: installs what is missing (and aplay, the
# native floor the Wine cases are held against), builds everything and
# prints the benchmark table (bench/bench.sh). Takes about 15 minutes.
set -euo pipefail
here=$(dirname "$0")
bash "$here/install-deps.sh" alsa-utils
bash "$here/build.sh"
source "$here/lib.sh"
bash "$root/bench/bench.sh" "$build"
