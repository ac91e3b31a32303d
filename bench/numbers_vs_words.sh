#!/usr/bin/env bash
# Written forms against words: a text of 10,000 characters of numbers, money, dates, units and
# abbreviations, and one of ordinary words, each transcribed in a fresh process
# (quelvara-transcribe-text), in turn. Prints for each the median transcription time (measured
# inside the process, the front end's set-up excluded), whole-process wall time and peak memory,
# and the medians of the ratios numbers/words pair by pair.
# Usage: bench/numbers_vs_words.sh [build-dir] [runs]   (default 7 pairs, after one warm-up)
set -euo pipefail
build=${1:-build}
runs=${2:-7}
program=$(cd "$build/bench" && pwd)/quelvara-transcribe-text
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# One run: "transcription-ms wall-s peak-KiB".
measure() {
  /usr/bin/time -f '%e %M' -o "$out/time" "$program" "$1" > "$out/said"
  read -r wall peak < "$out/time"
  echo "$(sed 's/.*, \([0-9.]*\) ms$/\1/' "$out/said") $wall $peak"
}

for k in $(seq 0 "$runs"); do
  n=$(measure numbers)
  w=$(measure words)
  [ "$k" -eq 0 ] && continue
  echo "$n" >> "$out/numbers"
  echo "$w" >> "$out/words"
  paste -d' ' <(echo "$n") <(echo "$w") | awk '{print $1 / $4, $2 / $5, $3 / $6}' >> "$out/ratios"
done
for kind in numbers words; do
  printf '%-8s transcription %7.1f ms, process %5.2f s wall, peak %6d KiB\n' "$kind" \
    "$(cut -d' ' -f1 "$out/$kind" | median)" "$(cut -d' ' -f2 "$out/$kind" | median)" \
    "$(cut -d' ' -f3 "$out/$kind" | median)"
done
printf 'numbers/words: transcription %.2f, process wall %.2f, peak memory %.2f (medians of %d pairs)\n' \
  "$(cut -d' ' -f1 "$out/ratios" | median)" "$(cut -d' ' -f2 "$out/ratios" | median)" \
  "$(cut -d' ' -f3 "$out/ratios" | median)" "$runs"
