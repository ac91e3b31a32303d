#!/usr/bin/env bash
# Whole-database figures: builds the diphone database with one and with two worker processes
# into fresh folders, prints the wall and CPU time of each and checks that both give the same
# bytes. Usage: bench/build_database.sh [build-dir]   (needs <build-dir>/tools/quelvara-bd)
set -euo pipefail
build=${1:-build}
builder=$(cd "$build/tools/quelvara-bd" && pwd)/quelvara-bd
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
TIMEFORMAT='%R %U %S'
for jobs in 1 2; do
  mkdir "$out/j$jobs"
  figures=$( { time "$builder" --out "$out/j$jobs" --jobs "$jobs" > /dev/null 2>&1; } 2>&1 )
  read -r wall user sys <<< "$figures"
  printf 'quelvara-bd --jobs %d: %6.2f s wall, %6.2f s CPU (user %.2f, sys %.2f), %d units\n' "$jobs" "$wall" \
    "$(echo "$user + $sys" | bc -l)" "$user" "$sys" "$(find "$out/j$jobs/bd" -name '*.mat' | wc -l)"
done
if diff -r "$out/j1" "$out/j2" > /dev/null; then
  echo "--jobs 1 and --jobs 2 give the same bytes"
else
  echo "--jobs 1 and --jobs 2 differ"
  exit 1
fi
