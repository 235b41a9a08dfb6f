#!/usr/bin/env bash
# Measures what the player costs against the least programs that do the
# same job, all in one run, and prints the table (bench.py table). Not a
# test: the figures are printed, not judged.
#
#   bench.sh [BUILD]   BUILD (default: scripts/lib.sh's) holds win32/ (the
#                      shipped programs) and the Windows build that runs
#                      here (win32/ or win64/)
#
# Three private Wine sessions, one after the other:
#   desktop   a display with a window manager and an XEmbed tray, playing
#             to a PulseAudio null sink at the file's real speed: what a
#             user hears and sees (time to the first sound, from the last
#             sound to the icon's removal and to the process's end, CPU and
#             memory while it blinks on Repeat)
#   bare      the same sink on the tests' display, with no window manager
#   capture   the tests' display and ALSA capture, which plays faster than
#             real time: the whole-run rows of earlier runs, to compare with
#
# SOBEEP_BENCH_RUNS rounds of each timed case (default 15), after one
# warm-up, interleaved: each round runs every case once, in a rotating
# order; SOBEEP_BENCH_LONG_RUNS rounds of the 30 s file (default 5);
# SOBEEP_BENCH_REPEAT_MINUTES minutes of the Repeat run (default 10);
# SOBEEP_BENCH_CPU_ROUNDS rounds of the references' CPU (default 2, 30 s each).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
source "$root/scripts/lib.sh"
build=$(realpath "${1:-$build}")
runs=${SOBEEP_BENCH_RUNS:-15}
long_runs=${SOBEEP_BENCH_LONG_RUNS:-5}
repeat_minutes=${SOBEEP_BENCH_REPEAT_MINUTES:-10}
cpu_rounds=${SOBEEP_BENCH_CPU_ROUNDS:-2}
cpu_seconds=30

win=$(win_build "$test_arch")
[ "$test_arch" = i686 ] && loader=/usr/lib/wine/wine || loader=/usr/lib/wine/wine64
player=$win/player/soBeep.exe
probe=$win/bench/bench_probe.exe
work=$win/bench-work
raw=$work/samples.tsv
rt=$work/realtime.tsv

rm -rf "$work"
mkdir -p "$work/files"
: > "$raw"
: > "$rt"
sample() { printf '%s\t%s\t%s\t%s\n' "$@" >> "$raw"; }
load() { cut -d' ' -f1 /proc/loadavg; }

# --- sizes: no Wine needed --------------------------------------------------
stripped_size() {
  local exe=$1 triple=$2 copy=$work/stripped.exe
  "$triple-strip" -o "$copy" "$exe"
  stat -c %s "$copy"
}
size_of() {
  local label=$1 exe=$2 triple=$3
  [ -f "$exe" ] && sample size "$label" bytes "$(stripped_size "$exe" "$triple")"
}
for arch in i686 x86_64; do
  dir=$(win_build "$arch")
  [ -d "$dir" ] || continue
  triple=$arch-w64-mingw32
  size_of "$arch soBeep.exe" "$dir/player/soBeep.exe" "$triple"
  size_of "$arch install.exe" "$dir/installer/install.exe" "$triple"
  size_of "$arch ref_minimal, the programs' options" "$dir/bench/ref_minimal.exe" "$triple"
  # The same reference with the toolchain's defaults, for each thread model.
  for model in posix win32; do
    "$triple-g++-$model" -O2 -mwindows -static -s "$here/ref_minimal.cpp" -o "$work/minimal.exe"
    sample size "$arch ref_minimal, -O2 defaults, g++-$model" bytes \
      "$(stripped_size "$work/minimal.exe" "$triple")"
  done
done

# --- what every session shares ----------------------------------------------------
python3 "$here/bench.py" wave "$work/files/short.wav" 0.2
python3 "$here/bench.py" wave "$work/files/long.wav" 30
python3 "$here/bench.py" wave "$work/files/idle.wav" 120
data_bytes() { echo $(( $(stat -c %s "$1") - 44 )); }
winpath() { echo "Z:${1//\//\\}"; }
hz=$(getconf CLK_TCK)

session=
cleanup() {
  [ -n "$session" ] && bash "$root/tests/wine/session.sh" stop "$session"
  for name in desktop bare; do bash "$here/display.sh" stop "$work/$name"; done
  [ -n "${watcher:-}" ] && kill "$watcher" 2>/dev/null
  bash "$root/tests/wine/sound-server.sh" stop "$work/server"
}
trap cleanup EXIT

# open_session NAME [ENV...]: starts a session in $work/NAME-session with
# the given environment and makes it the current one.
open_session() {
  local name=$1
  shift
  [ -n "$session" ] && bash "$root/tests/wine/session.sh" stop "$session"
  session=$work/$name-session
  env "$@" bash "$root/tests/wine/session.sh" start "$session" "$loader" \
    "$win/tests/win/session_keeper.exe" >/dev/null
  # shellcheck disable=SC1091
  source "$session/env"
  capture=$session/capture
  explorer=$(session_pid 'explorer.exe')
  server=$(wineserver_pid)
}
wine_run() { bash "$root/tests/wine/run.sh" "$session" "$@"; }
captured_bytes() { cat "$capture"/* 2>/dev/null | wc -c; }

# CPU time of a host process in clock ticks: utime + stime of all its threads.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# Anonymous resident memory in KiB: what Wine reports as private bytes.
private_kib() { awk '/^RssAnon:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
# The session's own processes: those whose environment names its prefix.
session_pid() {
  local name=$1 pid
  for pid in $(pgrep -f "$name"); do
    [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] || continue
    if tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"; return
    fi
  done
}
# The wineserver works in a folder named by the prefix's device and inode.
wineserver_pid() {
  local id pid
  id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for pid in $(pgrep -f wineserver); do
    [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */$id ]] && { echo "$pid"; return; }
  done
}
program_of() {
  case $1 in
    soBeep) echo "$player" ;;
    *) echo "$win/bench/$1.exe" ;;
  esac
}

# --- real time: the sink, the two displays --------------------------------------
# A desktop that runs PipeWire's server has no PulseAudio server program
# (install-deps.sh leaves it out there): no real-time sink, so those
# sections are left out and say so.
realtime=1
if ! command -v pulseaudio >/dev/null; then
  echo "no PulseAudio server program here: the real-time sections are left out" >&2
  realtime=0
fi
[ "$realtime" = 1 ] && sink=$(bash "$root/tests/wine/sound-server.sh" start "$work/server")

# One run at real time: the probe's start and end on the host clock go to
# realtime.tsv, where bench.py finds the sink's and the tray's events
# between them.
run_realtime() {
  local section=$1 round=$2 case=$3 file=$4 out
  rm -f "$capture"/*
  out=$(wine_run "$probe" time "$(program_of "$case")" "$(winpath "$file")")
  # Lets the sink's watcher see the silence that ends this run's sound.
  sleep 0.3
  if [[ $out != *exit=0x0* ]] || [ "$(captured_bytes)" -lt "$(data_bytes "$file")" ]; then
    echo "bad run: $section $case: $out, captured $(captured_bytes) bytes" >&2
    sample "$section" bad runs 1
    return
  fi
  [ "$round" = warm-up ] && return
  printf '%s\t%s\t%s\t%s\t%s\n' "$section" "$round" "$case" "$(load)" "$out" >> "$rt"
}

realtime_rounds() {
  local section=$1 file=$2; shift 2
  local cases=("$@") n=$# round i
  for case in "${cases[@]}"; do run_realtime "$section" warm-up "$case" "$file"; done
  for ((round = 0; round < runs; round++)); do
    for ((i = 0; i < n; i++)); do
      run_realtime "$section" "$round" "${cases[(round + i) % n]}" "$file"
    done
  done
}

# CPU of the program (host pid, or none), explorer and the wineserver over
# SECONDS, as % of one core, recorded under SECTION.
cpu_interval() {
  local section=$1 program=$2 seconds=$3 p0 e0 s0 t0 p1 e1 s1 t1
  t0=$EPOCHREALTIME
  p0=$( [ -n "$program" ] && ticks "$program" || echo 0); e0=$(ticks "$explorer"); s0=$(ticks "$server")
  sleep "$seconds"
  p1=$( [ -n "$program" ] && ticks "$program" || echo 0); e1=$(ticks "$explorer"); s1=$(ticks "$server")
  t1=$EPOCHREALTIME
  pct() { python3 -c "print(100.0 * ($2 - $1) / $hz / ($t1 - $t0))"; }
  [ -n "$program" ] && sample "$section" program pct "$(pct "$p0" "$p1")"
  sample "$section" explorer pct "$(pct "$e0" "$e1")"
  sample "$section" wineserver pct "$(pct "$s0" "$s1")"
  sample "$section" load avg "$(load)"
}

# The player on Repeat with the 30 s file for the given minutes: CPU and
# private bytes each minute, and the device opens (one each replay).
repeat_run() {
  local minutes=$1 own pid minute
  wine_run reg add 'HKCU\Software\norvan\SoBeep' /v Repeat /t REG_DWORD /d 8 /f >/dev/null 2>&1
  rm -f "$capture"/*
  wine_run "$player" "$(winpath "$work/files/long.wav")" & own=$!
  sleep 2
  pid=$(session_pid 'soBeep.exe')
  for ((minute = 1; minute <= minutes; minute++)); do
    cpu_interval repeat "$pid" 60
    if [ ! -d "/proc/$pid" ]; then
      echo "the player on Repeat ended by itself in minute $minute" >&2
      sample repeat ended minute "$minute"
      break
    fi
    sample repeat program private "$(private_kib "$pid")"
    sample repeat device opens "$(ls "$capture" | wc -l)"
  done
  wine_run "$probe" exit-player
  wait "$own" || true
  wine_run reg add 'HKCU\Software\norvan\SoBeep' /v Repeat /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# The references playing a 120 s file, and nothing playing, for the same
# per-minute figures.
reference_cpu() {
  local round case job pid
  for ((round = 0; round < cpu_rounds; round++)); do
    for case in none ref_mci ref_playsound; do
      if [ "$case" = none ]; then
        cpu_interval "cpu-$case" "" "$cpu_seconds"
        continue
      fi
      wine_run "$(program_of "$case")" "$(winpath "$work/files/idle.wav")" & job=$!
      sleep 2
      pid=$(session_pid "$case.exe")
      cpu_interval "cpu-$case" "$pid" "$cpu_seconds"
      [ -n "$pid" ] && kill "$pid"
      wait "$job" 2>/dev/null || true
    done
  done
}

if [ "$realtime" = 1 ]; then
  HOME=$work/server/home python3 "$here/sink_watch.py" "$sink" desk.monitor 22050 "$work/sound.log" &
  watcher=$!
  echo "desktop: window manager and XEmbed tray, real-time sink" >&2
  desktop=$(bash "$here/display.sh" start "$work/desktop" desktop)
  open_session desktop PULSE_SERVER="$sink" SESSION_AUDIO=output SESSION_DISPLAY="$desktop"
  realtime_rounds desktop "$work/files/short.wav" soBeep ref_mci ref_playsound
  echo "desktop: $repeat_minutes minutes on Repeat, then the references' CPU" >&2
  repeat_run "$repeat_minutes"
  reference_cpu

  echo "bare display, real-time sink" >&2
  bare=$(bash "$here/display.sh" start "$work/bare" bare)
  open_session bare PULSE_SERVER="$sink" SESSION_AUDIO=output SESSION_DISPLAY="$bare"
  realtime_rounds bare "$work/files/short.wav" soBeep ref_mci ref_playsound
fi

# --- the whole-run rows: tests' display and capture, faster than real time -----
open_session capture SESSION_AUDIO=capture

# One run of one case; records its time, or counts it as bad when it failed
# or did not play the whole file.
run_case() {
  local section=$1 mode=$2 case=$3 file=$4 out ms
  rm -f "$capture"/*
  case $case in
    aplay)
      local start=$EPOCHREALTIME
      aplay -q "$file" || { sample "$section" bad runs 1; return; }
      ms=$(python3 -c "print(($EPOCHREALTIME - $start) * 1000)")
      out="ms=$ms exit=0x0" ;;
    *) out=$(wine_run "$probe" "$mode" "$(program_of "$case")" "$(winpath "$file")") ;;
  esac
  if [[ $out != *exit=0x0* ]] || [ "$(captured_bytes)" -lt "$(data_bytes "$file")" ]; then
    echo "bad run: $section $case: $out, captured $(captured_bytes) bytes" >&2
    sample "$section" bad runs 1
    return
  fi
  [ "$section" = warm-up ] && return
  for pair in $out; do
    case ${pair%%=*} in
      ms) sample "$section" "$case" ms "${pair#*=}" ;;
      private|ws) sample "$section" "$case" "${pair%%=*}" "${pair#*=}" ;;
    esac
  done
}

interleaved() {
  local section=$1 mode=$2 file=$3 rounds=$4; shift 4
  local cases=("$@") n=$#
  for case in "${cases[@]}"; do run_case warm-up "$mode" "$case" "$file"; done
  for ((round = 0; round < rounds; round++)); do
    for ((i = 0; i < n; i++)); do
      run_case "$section" "$mode" "${cases[(round + i) % n]}" "$file"
    done
  done
}

echo "capture: $runs rounds of each case (0.2 s file)" >&2
interleaved short time "$work/files/short.wav" "$runs" soBeep ref_mci ref_playsound aplay
echo "capture: memory, 0.2 s file" >&2
interleaved mem-short mem "$work/files/short.wav" "$runs" soBeep ref_mci
echo "capture: $long_runs rounds of the 30 s file" >&2
interleaved long time "$work/files/long.wav" "$long_runs" soBeep ref_mci ref_playsound aplay
echo "capture: memory, 30 s file" >&2
interleaved mem-long mem "$work/files/long.wav" "$long_runs" soBeep ref_mci

# A desktop's tray has other programs' icons in it: with one of the probe's
# there, explorer keeps its tray window when the player's icon goes.
echo "capture: 0.2 s file, another icon in the tray" >&2
wine_run "$probe" tray-hold & holder=$!
sleep 2
interleaved short-tray time "$work/files/short.wav" "$runs" soBeep ref_mci
kill "$holder"; wait "$holder" 2>/dev/null || true
rm -f "$capture"/*

load=$(cut -d' ' -f1-3 /proc/loadavg)
cat <<HEAD
SoBeep benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(git -C "$root" rev-parse --short HEAD)
machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $load at the end
$(basename "$loader") $("$loader" --version); times, CPU and memory from the $test_arch build of
the same sources; sizes of both builds. Wine cases are timed inside the session
(CreateProcess to process end); aplay from the host shell.
HEAD
python3 "$here/bench.py" table "$raw" "$rt" "$work/sound.log" "$work/desktop/tray.log" \
  "$work/bare/tray.log"
