#!/usr/bin/env bash
# The benchmark command (docs/benchmark.md): installs what is missing (aplay, the
# native floor the Wine cases are held against; a window manager, an XEmbed
# tray and python3-xlib to watch it, for the desktop-like display), builds
# everything and prints the benchmark table (bench/bench.sh). Takes about
# 25 minutes.
set -euo pipefail
here=$(dirname "$0")
bash "$here/install-deps.sh" alsa-utils openbox trayer python3-xlib
bash "$here/build.sh"
source "$here/lib.sh"
bash "$root/bench/bench.sh" "$build"
