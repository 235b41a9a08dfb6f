#!/usr/bin/env bash
# Each test suite of a Windows test program is a ctest entry of its own, so
# a suite added to a program without its entry would never run, and an entry
# whose suite was renamed would run nothing and pass. Compares the suites the
# program lists with the entries ctest has for it:
#   registered_suites.sh SESSION_DIR PROGRAM.exe SUITE...
set -euo pipefail
session=$1 program=$2
shift 2
# Suite lines end in a dot, with a "# TypeParam" note for typed suites; a
# parameterised suite carries its instantiation's prefix ("Stored/Suite.").
listed=$(bash "$(dirname "$0")/../wine/run.sh" "$session" "$program" --gtest_list_tests |
  tr -d '\r' | sed -n 's/^\([^ ]*\)\.\( .*\)\{0,1\}$/\1/p' | sed 's#^.*/##' | sort -u)
registered=$(printf '%s\n' "$@" | sort -u)
name=$(basename "$program")
if [ -z "$listed" ]; then
  echo "$name listed no test suites"
  exit 1
fi
if [ "$listed" != "$registered" ]; then
  echo "$name: suites that have no ctest entry: $(comm -23 <(echo "$listed") <(echo "$registered") | tr '\n' ' ')"
  echo "$name: ctest entries that have no suite: $(comm -13 <(echo "$listed") <(echo "$registered") | tr '\n' ' ')"
  exit 1
fi
echo "$name: $(echo "$listed" | wc -l) suites, each a ctest entry"
