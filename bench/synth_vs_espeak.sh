#!/usr/bin/env bash
# Whole-program figure: one quelvara-synth call against one espeak-ng call on the same
# sentence, alternated 20 times in one run so both see the same machine load.
# Usage: bench/synth_vs_espeak.sh [build-dir]   (needs the built database in <build-dir>/app/bd)
set -euo pipefail
build=${1:-build}
app=$(cd "$build/app" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
sampa="_6fraz6kOmprid6pur6tEStar_."
phonemes="[[&fr'az&k'Omprid&p'ur&tESt'ar]]"
now() { date +%s.%N; }
ours=0 theirs=0
for k in $(seq 1 20); do
  rm -f "$out/q.wav" "$out/e.wav"  # both write a new file each time
  t0=$(now); (cd "$app" && ./quelvara-synth --factor 1 -o "$out/q.wav" "$sampa"); t1=$(now)
  espeak-ng -v pt -w "$out/e.wav" "$phonemes"; t2=$(now)
  ours=$(echo "$ours + $t1 - $t0" | bc -l); theirs=$(echo "$theirs + $t2 - $t1" | bc -l)
done
printf 'quelvara-synth: %.1f ms per call (%d bytes of audio)\n' "$(echo "$ours * 50" | bc -l)" "$(stat -c %s "$out/q.wav")"
printf 'espeak-ng -w:   %.1f ms per call (%d bytes of audio)\n' "$(echo "$theirs * 50" | bc -l)" "$(stat -c %s "$out/e.wav")"
printf 'ratio espeak-ng / quelvara-synth: %.2f\n' "$(echo "$theirs / $ours" | bc -l)"
