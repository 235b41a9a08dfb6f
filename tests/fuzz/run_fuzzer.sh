#!/usr/bin/env bash
# Runs one fuzz target for a bounded time. It fuzzes into a scratch copy of
# the seed corpus, so the corpus kept in the repository does not grow, and
# reports how many inputs it executed.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus" "$work/crashes"
cp "$seeds"/* "$work/corpus/"
status=0
nice "$fuzzer" -max_total_time="$seconds" -max_len=1024 -print_final_stats=1 \
  -artifact_prefix="$work/crashes/" "$work/corpus" >"$work/log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
echo "$(basename "$fuzzer"): ${runs:-?} executions in ${seconds} s, exit $status" | tee "$work/summary"
if [ "$status" -ne 0 ]; then
  tail -n 40 "$work/log"
  ls "$work/crashes"
fi
exit "$status"
