#!/usr/bin/env bash
# Whole-program figure, per second of speech: quelvara-synth on a SAMPA sentence of about 10 s
# against espeak-ng -v pt on the same sentence in Portuguese spelling, both writing their WAVE to
# standard output, one call of each in turn (so both see the same machine load), for "Factor" 1
# and for "Gráfica". Prints, per mode,
# the median wall time of each program, the seconds of audio each wrote, and the median over the
# pairs of (espeak-ng's time per second of audio) / (quelvara-synth's time per second of audio).
# Usage: bench/synth_vs_espeak.sh [build-dir] [pairs]   (needs the built database in
# <build-dir>/app/bd; default 20 pairs)
set -euo pipefail
build=${1:-build}
pairs=${2:-20}
app=$(cd "$build/app" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
spelling="O comboio para Lisboa partiu da estação pelas oito horas da manhã, e os passageiros olhavam pela janela o rio, os campos verdes e as casas brancas da aldeia."
sampa="_uko~bojup6r6liZbo6p6rtiud6St6s6~wpel6zojtuOr6Zd6m6J6~_iuSp6s6Z6jruzOLav6~wpel6Z6nEl6uRiu_uSk6~puZverd@zi6Skaz6Zbr6~k6Zdal~d6j6_."

# Seconds of audio in a 16-bit mono WAVE file with a 44-byte header, from the file's size: on
# standard output espeak-ng cannot know the data size its header announces.
audio_seconds() { stat -c %s "$1" | awk '{printf "%.6f", ($1 - 44) / 2 / 22050}'; }
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

cd "$app"
for mode in "--factor 1" "--grafica"; do
  : > "$out/pairs"
  for k in $(seq 0 "$pairs"); do
    t0=$(now); ./quelvara-synth $mode -o - "$sampa" > "$out/q.wav"; t1=$(now)
    espeak-ng -v pt --stdout "$spelling" > "$out/e.wav"; t2=$(now)
    [ "$k" -eq 0 ] && continue  # the first pair warms the caches
    echo "$((t1 - t0)) $((t2 - t1))" >> "$out/pairs"
  done
  ours_audio=$(audio_seconds "$out/q.wav")
  theirs_audio=$(audio_seconds "$out/e.wav")
  ours=$(cut -d' ' -f1 "$out/pairs" | median)
  theirs=$(cut -d' ' -f2 "$out/pairs" | median)
  ratio=$(awk -v qa="$ours_audio" -v ea="$theirs_audio" '{print ($2 / ea) / ($1 / qa)}' "$out/pairs" | median)
  printf 'quelvara-synth %-10s %6.2f ms for %5.2f s of audio (%6.3f ms per s)\n' "$mode" \
    "$(echo "$ours / 1000" | bc -l)" "$ours_audio" "$(echo "$ours / 1000 / $ours_audio" | bc -l)"
  printf 'espeak-ng -v pt --stdout   %6.2f ms for %5.2f s of audio (%6.3f ms per s)\n' \
    "$(echo "$theirs / 1000" | bc -l)" "$theirs_audio" "$(echo "$theirs / 1000 / $theirs_audio" | bc -l)"
  printf '  per second of speech, quelvara-synth is %.2f x as fast (median of %d pairs)\n' "$ratio" "$pairs"
done
