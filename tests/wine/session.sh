#!/usr/bin/env bash
# A private Wine session for one test run: its own prefix, HOME with an ALSA
# capture device, an Xvfb display, and a keeper process that holds a window
# open for the whole run.
#
#   session.sh start DIR LOADER KEEPER.exe [TESTS_DIR]
#                                            boot the session in DIR; the
#                                            tests' folder becomes drive T:
#   session.sh stop DIR                      end everything it started
#
# DIR/env then holds the exports that run.sh uses for every program.
set -euo pipefail

cmd=$1 dir=$(realpath -m "$2")

stop_session() {
  [ -f "$dir/env" ] || return 0
  # shellcheck disable=SC1091
  source "$dir/env"
  for name in keeper xvfb; do
    if [ -f "$dir/$name.pid" ]; then
      kill "$(cat "$dir/$name.pid")" 2>/dev/null || true
      rm -f "$dir/$name.pid"
    fi
  done
  "$WINESERVER" -k 2>/dev/null || true
  rm -f "$dir/env"
}

case "$cmd" in
  stop) stop_session; exit 0 ;;
  start) ;;
  *) echo "usage: $0 start DIR LOADER KEEPER [TESTS_DIR] | stop DIR" >&2; exit 2 ;;
esac

loader=$3 keeper=$4 tests_dir=${5:-}
stop_session
rm -rf "$dir"
mkdir -p "$dir/home" "$dir/capture"

# Each open of the playback device writes a new file (PATH, PATH.0001, ...)
# named by CAPTURE_FILE. Wine hands programs it starts the host environment
# of their parent, not the Windows one, so the name is fixed for the whole
# session and tests empty the capture folder between runs.
#
# The capture hands the audio on to the null device, which takes it faster
# than real time; SESSION_AUDIO=output hands it on to the machine's sound
# output instead (sound-output.sh), so it is heard at its real speed.
if [ "${SESSION_AUDIO:-capture}" = output ]; then
  bash "$(dirname "$0")/sound-output.sh" > "$dir/audio"
else
  printf '%s\n' '"null"' 'no sound output' > "$dir/audio"
fi
cat > "$dir/home/.asoundrc" <<ALSA
pcm.!default {
  type file
  slave.pcm $(sed -n 1p "$dir/audio")
  file { @func getenv vars [ CAPTURE_FILE ] default "/dev/null" }
  format "raw"
  truncate false
}
ALSA

# SESSION_DISPLAY=:N uses that display (a desktop the user watches);
# otherwise the session gets a private Xvfb.
if [ -n "${SESSION_DISPLAY:-}" ]; then
  echo "${SESSION_DISPLAY#:}" > "$dir/display"
else
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$dir/display" >/dev/null 2>&1 &
  echo $! > "$dir/xvfb.pid"
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
fi

wineserver=$(dirname "$loader")/wineserver
[ -x "${wineserver}64" ] && [[ "$loader" == *64 ]] && wineserver=${wineserver}64
cat > "$dir/env" <<ENV
export WINEPREFIX="$dir/prefix"
export HOME="$dir/home"
export DISPLAY=":$(cat "$dir/display")"
export WINELOADER="$loader"
export WINESERVER="$wineserver"
export WINEDEBUG=-all
# Wine would take its PulseAudio driver whenever a sound server is
# reachable, and the audio would bypass the capture: the session plays
# through ALSA, whatever the machine runs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv=d"
# ALSA's own PulseAudio hook, too, makes the server its default device
# whenever one is running, over the capture device: it finds none here, at
# a path that can never exist. The path is short: a socket path of over 107
# bytes is no address at all, and with one in a deep checkout the hook
# still took the device while a desktop's server ran. The capture's slave
# names its server itself.
export PULSE_SERVER=unix:/dev/null/no-sound-server
export LANG=ja_JP.UTF-8
export CAPTURE_FILE="$dir/capture/audio.raw"
ENV
# A 32-bit Wine gets a 32-bit prefix. The 64-bit wineserver that serves
# every Wine here would otherwise make a 64-bit one, whose shell (explorer,
# the tray) is a 64-bit process that no 32-bit hook of the tests can enter.
[[ "$loader" == *64 ]] || echo 'export WINEARCH=win32' >> "$dir/env"
# SESSION_ENV: further export lines from a caller that brings its own Wine
# (session-i686.sh).
[ -z "${SESSION_ENV:-}" ] || printf '%s\n' "$SESSION_ENV" >> "$dir/env"
# shellcheck disable=SC1091
source "$dir/env"

# Wine's background processes (services, explorer, ...) inherit this output:
# what they report, crashes too, is kept in DIR/wine.log.
"$loader" wineboot -i >"$dir/wine.log" 2>&1
# On T: the tests' folders have Windows paths as short as a user's, so
# tests of path lengths and of the help viewer's limit do not depend on
# how deep the checkout lies.
if [ -n "$tests_dir" ]; then
  mkdir -p "$tests_dir"
  ln -sfn "$(realpath "$tests_dir")" "$WINEPREFIX/dosdevices/t:"
fi
# A crash must end the program with its exception code, not hang in a dialog.
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$dir/wine.log" 2>&1

# A process started before the session's first window never sees windows
# created later: open one now and wait until a newer process finds it.
"$loader" "$keeper" keep >>"$dir/wine.log" 2>&1 &
echo $! > "$dir/keeper.pid"
for _ in $(seq 60); do
  "$loader" "$keeper" check && break
  sleep 0.5
done
"$loader" "$keeper" check || { echo "the session's first window never became visible" >&2; exit 1; }
echo "wine session ready in $dir (display $DISPLAY, $(basename "$loader"))"
