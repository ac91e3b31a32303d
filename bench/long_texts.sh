#!/usr/bin/env bash
# Long texts: the road of quelvara-synth (bench's quelvara-synth-text, which takes a text of any
# length) on SAMPA texts of about 1000 and 20000 characters, "Factor" 1, with /usr/bin/time.
# Prints time per character, the ratio of the two, peak memory per output sample and system
# time against user time. Usage: bench/long_texts.sh [build-dir] [runs]   (default 3 runs each;
# the figures are the medians)
set -euo pipefail
build=${1:-build}
runs=${2:-3}
app=$(cd "$build/app" && pwd)
synth=$(cd "$build/bench" && pwd)/quelvara-synth-text
# Outputs of 72 MB go to memory where the machine has it, so that writing the last one back to
# disk does not run into the next run.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then out=$(mktemp -d -p /dev/shm); else out=$(mktemp -d); fi
trap 'rm -rf "$out"' EXIT
sentence="6fraz6kOmprid6pur6tEStar_u~j6~wfiSaLinJ6ReZ6l~bOjdEwgaw_vozmiSmu~jtu_kidiSpe~6jaj_6sidad@lizbo6p6~wOjtu~m6~j6bEl6_"
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

declare -A per_char
for size in 1000 20000; do
  text="_"
  while [ $((${#text} + ${#sentence})) -lt "$size" ]; do text+="$sentence"; done
  text+="."
  printf '%s' "$text" > "$out/t$size.txt"
  : > "$out/figures"
  for k in $(seq 0 "$runs"); do
    # Wall time from a run of its own (/usr/bin/time's figure has 10 ms steps), then user and
    # system time and peak memory from a run under /usr/bin/time.
    rm -f "$out/o.wav"
    t0=$(now)
    "$synth" --bd "$app" --factor 1 -o "$out/o.wav" "$out/t$size.txt" > /dev/null
    t1=$(now)
    rm -f "$out/o.wav"
    /usr/bin/time -f '%U %S %M' -o "$out/time" "$synth" --bd "$app" --factor 1 -o "$out/o.wav" "$out/t$size.txt" > /dev/null
    [ "$k" -eq 0 ] && continue  # warms the caches
    samples=$(( ($(stat -c %s "$out/o.wav") - 44) / 2 ))
    read -r user sys peak < "$out/time"
    wall=$(echo "($t1 - $t0) / 1000000" | bc -l)
    echo "$wall $user $sys $peak $samples" >> "$out/figures"
  done
  wall=$(cut -d' ' -f1 "$out/figures" | median)
  user=$(cut -d' ' -f2 "$out/figures" | median)
  sys=$(cut -d' ' -f3 "$out/figures" | median)
  peak=$(cut -d' ' -f4 "$out/figures" | median)
  samples=$(head -1 "$out/figures" | cut -d' ' -f5)
  per_char[$size]=$(echo "$wall * 1000000 / ${#text}" | bc -l)
  printf '%5d characters, %6.1f s of audio: %6.3f s wall (user %.2f, sys %.2f), %6.1f us per character, peak %d KiB = %.1f bytes per output sample\n' \
    "${#text}" "$(echo "$samples / 22050" | bc -l)" "$wall" "$user" "$sys" "${per_char[$size]}" "$peak" \
    "$(echo "$peak * 1024 / $samples" | bc -l)"
done
printf 'time per character at 20000 / at 1000: %.2f\n' "$(echo "${per_char[20000]} / ${per_char[1000]}" | bc -l)"
