#!/usr/bin/env bash
# The long soak, beside the README's test command: the player on Repeat for
# many replays (SOBEEP_SOAK_REPLAYS, default 5000), as many rounds as asked
# (first argument, default 1), counting the rounds that failed, stalls and
# crashes among them. Run after scripts/build.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rounds=${1:-1}
export SOBEEP_SOAK_REPLAYS=${SOBEEP_SOAK_REPLAYS:-5000}
dir=$(win_build "$test_arch")
failed=0
for ((i = 1; i <= rounds; i++)); do
  if ctest --test-dir "$dir" --output-on-failure -R 'player_soak\.SoakTest' >"$dir/soak-$i.log" 2>&1; then
    echo "round $i: passed"
  else
    failed=$((failed + 1))
    echo "round $i: FAILED"
    grep -E 'stalled|Failure|after' "$dir/soak-$i.log" | tail -n 8
  fi
done
echo "$failed of $rounds rounds of $SOBEEP_SOAK_REPLAYS replays failed"
[ "$failed" -eq 0 ]
