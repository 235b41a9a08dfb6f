#!/usr/bin/env bash
# Measures what the player costs against the least programs that do the
# same job, all in one run and one private Wine session, and prints the
# table (bench.py table). Not a test: the figures are printed, not judged.
#
#   bench.sh [BUILD]   BUILD (default: scripts/lib.sh's) holds win32/ (the
#                      shipped programs) and the Windows build that runs
#                      here (win32/ or win64/)
#
# SOBEEP_BENCH_RUNS runs of each timed case (default 15) after one warm-up,
# interleaved: each round runs every case once, in a rotating order;
# SOBEEP_BENCH_IDLE_ROUNDS rounds of the idle measurement (default 3).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
source "$root/scripts/lib.sh"
build=$(realpath "${1:-$build}")
runs=${SOBEEP_BENCH_RUNS:-15}
idle_seconds=10
idle_rounds=${SOBEEP_BENCH_IDLE_ROUNDS:-3}

win=$(win_build "$test_arch")
[ "$test_arch" = i686 ] && loader=/usr/lib/wine/wine || loader=/usr/lib/wine/wine64
player=$win/player/soBeep.exe
probe=$win/bench/bench_probe.exe
work=$win/bench-work
session=$win/bench-session
raw=$work/samples.tsv

rm -rf "$work"
mkdir -p "$work/files"
: > "$raw"
sample() { printf '%s\t%s\t%s\t%s\n' "$@" >> "$raw"; }

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

# --- the Wine session ---------------------------------------------------------
bash "$root/tests/wine/session.sh" start "$session" "$loader" "$win/tests/win/session_keeper.exe" >/dev/null
trap 'bash "$root/tests/wine/session.sh" stop "$session"' EXIT
# shellcheck disable=SC1091
source "$session/env"
capture=$session/capture
wine_run() { bash "$root/tests/wine/run.sh" "$session" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

python3 "$here/bench.py" wave "$work/files/short.wav" 0.2
python3 "$here/bench.py" wave "$work/files/long.wav" 30
python3 "$here/bench.py" wave "$work/files/idle.wav" 120
data_bytes() { echo $(( $(stat -c %s "$1") - 44 )); }

captured_bytes() { cat "$capture"/* 2>/dev/null | wc -c; }

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
    soBeep) out=$(wine_run "$probe" "$mode" "$player" "$(winpath "$file")") ;;
    *) out=$(wine_run "$probe" "$mode" "$win/bench/$case.exe" "$(winpath "$file")") ;;
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
  local section=$1 mode=$2 file=$3; shift 3
  local cases=("$@") n=${#cases[@]}
  for case in "${cases[@]}"; do run_case warm-up "$mode" "$case" "$file"; done
  for ((round = 0; round < runs; round++)); do
    for ((i = 0; i < n; i++)); do
      run_case "$section" "$mode" "${cases[(round + i) % n]}" "$file"
    done
  done
}

echo "timing: $runs rounds of each case (0.2 s file)" >&2
interleaved short time "$work/files/short.wav" soBeep ref_mci ref_playsound aplay
echo "memory: 0.2 s file" >&2
interleaved mem-short mem "$work/files/short.wav" soBeep ref_mci
echo "timing: 30 s file" >&2
interleaved long time "$work/files/long.wav" soBeep ref_mci ref_playsound aplay
echo "memory: 30 s file" >&2
interleaved mem-long mem "$work/files/long.wav" soBeep ref_mci

# --- idle cost ------------------------------------------------------------------
# CPU time of a host process in clock ticks: utime + stime of all its threads.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
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
explorer=$(session_pid 'explorer.exe')
server=$(wineserver_pid)
hz=$(getconf CLK_TCK)

# Measures the CPU the program (host pid $1, or none), explorer and the
# wineserver use over the interval, in % of one core.
idle_interval() {
  local case=$1 program=$2 p0 e0 s0 t0 p1 e1 s1 t1
  sleep 2
  t0=$EPOCHREALTIME
  p0=$( [ -n "$program" ] && ticks "$program" || echo 0); e0=$(ticks "$explorer"); s0=$(ticks "$server")
  sleep "$idle_seconds"
  p1=$( [ -n "$program" ] && ticks "$program" || echo 0); e1=$(ticks "$explorer"); s1=$(ticks "$server")
  t1=$EPOCHREALTIME
  pct() { python3 -c "print(100.0 * ($2 - $1) / $hz / ($t1 - $t0))"; }
  [ -n "$program" ] && sample "idle-$case" program pct "$(pct "$p0" "$p1")"
  sample "idle-$case" explorer pct "$(pct "$e0" "$e1")"
  sample "idle-$case" wineserver pct "$(pct "$s0" "$s1")"
  sample idle interval s "$(python3 -c "print($t1 - $t0)")"
}

echo "idle: $idle_rounds rounds of ${idle_seconds} s" >&2
idle_file=$(winpath "$work/files/idle.wav")
for ((round = 0; round < idle_rounds; round++)); do
  idle_interval none ""
  wine_run "$win/bench/ref_mci.exe" "$idle_file" & job=$!
  sleep 1
  ref=$(session_pid 'ref_mci.exe')
  idle_interval ref_mci "$ref"
  if [ -n "$ref" ]; then kill "$ref"; fi
  wait "$job" 2>/dev/null || true
  wine_run "$player" "$idle_file" & own=$!
  sleep 1
  idle_interval soBeep "$(session_pid 'soBeep.exe')"
  wine_run "$probe" exit-player
  wait "$own" || true
done

# A desktop's tray has other programs' icons in it: with one of the probe's
# there, explorer keeps its tray window when the player's icon goes.
echo "timing: 0.2 s file, another icon in the tray" >&2
wine_run "$probe" tray-hold & holder=$!
sleep 2
interleaved short-tray time "$work/files/short.wav" soBeep ref_mci
kill "$holder"; wait "$holder" 2>/dev/null || true
rm -f "$capture"/*

load=$(cut -d' ' -f1-3 /proc/loadavg)
cat <<HEAD
SoBeep benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(git -C "$root" rev-parse --short HEAD)
machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $load
$(basename "$loader") $("$loader" --version); time, memory and idle from the $test_arch build
of the same sources; sizes of both builds. Wine cases are timed inside the session
(CreateProcess to process end); aplay from the host shell. Audio goes to an ALSA
file+null device, which plays faster than real time.
HEAD
python3 "$here/bench.py" table "$raw"
