#!/usr/bin/env bash
# Batch figure: 1000 words, one per line, from standard input into a new folder with one
# quelvara-synth call ("Factor" 1), against 1000 separate espeak-ng -v pt -w calls on the same
# words in Portuguese spelling. The SAMPA lines are transcribed beforehand (not timed).
# Usage: bench/batch_vs_espeak.sh [build-dir] [rounds]   (default 3 rounds; medians)
set -euo pipefail
build=${1:-build}
rounds=${2:-3}
app=$(cd "$build/app" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
words=(casa cidade comboio estação manhã janela passageiro campo verde branco aldeia rio
  pedra ponte caminho porta livro escola amigo família trabalho cozinha laranja limão pão
  queijo vinho água leite café mesa cadeira cama noite tarde sol lua estrela mar praia barco
  peixe cão gato pássaro flor árvore jardim montanha vale chuva vento neve frio quente
  cabeça mão pé olho boca nariz orelha coração sangue corpo cor azul vermelho amarelo preto
  cinzento castanho rosa primeiro segundo terceiro quarto quinto sexto sétimo oitavo nono
  décimo cem mil obrigado bom dia lisboa porto coimbra braga faro évora viseu aveiro leiria
  setúbal)
: > "$out/spelling"
: > "$out/sampa"
for w in "${words[@]}"; do
  s=$("$app/quelvara-synth" --pt --segment "$w" | sed -n 's/^transcrição «\(.*\)»$/\1/p')
  [ -n "$s" ] || continue
  printf '%s\n' "$w" >> "$out/spelling"
  printf '%s\n' "$s" >> "$out/sampa"
done
n=$(wc -l < "$out/sampa")
# 1000 lines: the words over and over.
for k in $(seq 1 1000); do sed -n "$(( (k - 1) % n + 1 ))p" "$out/sampa"; done > "$out/sampa1000"
for k in $(seq 1 1000); do sed -n "$(( (k - 1) % n + 1 ))p" "$out/spelling"; done > "$out/spelling1000"
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

: > "$out/pairs"
for r in $(seq 1 "$rounds"); do
  rm -rf "$out/q" "$out/e"; mkdir "$out/q" "$out/e"  # new, empty folders
  t0=$(now)
  (cd "$app" && ./quelvara-synth --factor 1 -o "$out/q/" - < "$out/sampa1000")
  t1=$(now)
  k=0
  while IFS= read -r w; do k=$((k + 1)); espeak-ng -v pt -w "$out/e/$k.wav" "$w"; done < "$out/spelling1000"
  t2=$(now)
  echo "$((t1 - t0)) $((t2 - t1))" >> "$out/pairs"
done
ours=$(cut -d' ' -f1 "$out/pairs" | median)
theirs=$(cut -d' ' -f2 "$out/pairs" | median)
printf '%d distinct words, 1000 lines; files written: quelvara-synth %d, espeak-ng %d\n' "$n" \
  "$(find "$out/q" -name '*.wav' | wc -l)" "$(find "$out/e" -name '*.wav' | wc -l)"
printf 'quelvara-synth, one batch call:   %7.3f s (%5.0f files/s)\n' "$(echo "$ours / 1000000" | bc -l)" \
  "$(echo "1000 * 1000000 / $ours" | bc -l)"
printf 'espeak-ng -v pt -w, 1000 calls:   %7.3f s (%5.0f files/s)\n' "$(echo "$theirs / 1000000" | bc -l)" \
  "$(echo "1000 * 1000000 / $theirs" | bc -l)"
printf 'ratio (median of %d rounds, per round): %.1f x\n' "$rounds" \
  "$(awk '{print $2 / $1}' "$out/pairs" | median)"
