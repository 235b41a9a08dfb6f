#!/usr/bin/env bash
# A private PulseAudio server with one null sink, standing where a desktop's
# server would (RUNTIME/pulse/native, as under XDG_RUNTIME_DIR):
#   sound-server.sh start DIR [RATE]   start it; prints its address,
#                                      unix:RUNTIME/pulse/native
#   sound-server.sh stop DIR           end it
# DIR holds its configuration and log. RUNTIME is a short folder of its own
# under /tmp: a socket's path must fit 108 bytes, which one below a deep
# checkout would not.
# The sink "desk" takes 16-bit mono at RATE (default 22050, the test
# files' own format), so the server passes those samples through unchanged
# and its monitor "desk.monitor" gives them back byte for byte. The null
# sink plays at real speed on the host's clock.
set -euo pipefail
cmd=$1 dir=$(realpath -m "$2")

case "$cmd" in
  stop)
    if [ -f "$dir/server.pid" ]; then
      kill "$(cat "$dir/server.pid")" 2>/dev/null || true
      rm -f "$dir/server.pid"
    fi
    if [ -f "$dir/runtime.path" ]; then
      rm -rf "$(cat "$dir/runtime.path")"
      rm -f "$dir/runtime.path"
    fi
    exit 0 ;;
  start) ;;
  *) echo "usage: $0 start DIR [RATE] | stop DIR" >&2; exit 2 ;;
esac

rate=${3:-22050}
mkdir -p "$dir/home"
runtime=$(mktemp -d "${TMPDIR:-/tmp}/sobeep-pulse.XXXXXX")
echo "$runtime" > "$dir/runtime.path"
mkdir -p "$runtime/pulse"
socket=$runtime/pulse/native
cat > "$dir/server.pa" <<PA
load-module module-null-sink sink_name=desk rate=$rate channels=1 format=s16le
load-module module-native-protocol-unix socket=$socket
set-default-sink desk
PA
# Shared memory is off: with it, PulseAudio 16.1 aborted (an assertion in
# memblock_replace_import, after "Cannot send block reference with
# non-registered memfd ID") a few minutes into a replaying player with a
# recorder on the monitor; over the socket the blocks are copied instead.
HOME=$dir/home XDG_RUNTIME_DIR=$runtime pulseaudio -n -F "$dir/server.pa" --daemonize=no \
  --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes --log-target="file:$dir/server.log" \
  >/dev/null 2>&1 &
echo $! > "$dir/server.pid"
for _ in $(seq 100); do
  pactl --server="unix:$socket" info >/dev/null 2>&1 && { echo "unix:$socket"; exit 0; }
  sleep 0.1
done
echo "the sound server did not start (see $dir/server.log)" >&2
exit 1
