#!/usr/bin/env bash
# Finds the machine's sound output, for a session that should be heard:
#   sound-output.sh
# prints two lines: the ALSA PCM that the session's capture device hands
# the audio on to, and what it is, in words. Without a sound output it is
# the null device, which takes the audio faster than real time.
#
# A PulseAudio server (or PipeWire's, which speaks the same protocol) comes
# first, as on a desktop; then the first ALSA card.
set -euo pipefail

pulse_socket() {
  local server=${PULSE_SERVER:-}
  if [ -n "$server" ]; then
    server=${server#unix:}
    [ "${server#/}" != "$server" ] && echo "$server"
    return 0
  fi
  [ -n "${XDG_RUNTIME_DIR:-}" ] && echo "$XDG_RUNTIME_DIR/pulse/native"
  return 0
}

socket=$(pulse_socket)
# An explicit server never makes the client spawn one of its own.
if [ -n "$socket" ] && [ -S "$socket" ] &&
  info=$(timeout 10 pactl --server="unix:$socket" info 2>/dev/null); then
  name=$(sed -n 's/^Server Name: //p' <<<"$info")
  version=$(sed -n 's/^Server Version: //p' <<<"$info")
  sink=$(sed -n 's/^Default Sink: //p' <<<"$info")
  echo "{ type pulse; server \"unix:$socket\" }"
  echo "the sound server ($name $version, sink $sink)"
elif card=$(grep -m1 -E '^ *[0-9]+ \[' /proc/asound/cards 2>/dev/null); then
  index=$(sed -E 's/^ *([0-9]+).*/\1/' <<<"$card")
  echo "\"plughw:$index\""
  echo "the sound card ($(sed -E 's/^[^:]*: *//' <<<"$card"))"
else
  echo '"null"'
  echo "no sound output"
fi
