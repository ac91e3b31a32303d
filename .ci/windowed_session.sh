#!/usr/bin/env bash
# A normal session of the windowed program, driven as a user would: open, type a text, pick
# "Gráfica", save it with Gravar, leave with Sair. Run inside an X display (xvfb-run).
#
# Usage: windowed_session.sh PROGRAMS [DATA [WORK]]
#   PROGRAMS  the folder of quelvara and quelvara-synth
#   DATA      the folder of their layouts, pictures and bd/ (the same one by default: the
#             runnable folder build/app)
#   WORK      the working folder the session runs and saves in (DATA by default); the programs
#             find DATA by themselves when it is their installed data folder
# Fails unless the program saved the "Gráfica" signal of the text, ended with status 0 and
# printed nothing.
set -euo pipefail
programs=$(cd "$1" && pwd)
data=$(cd "${2:-$programs}" && pwd)
app=$(cd "${3:-$data}" && pwd)
log=$(mktemp)
name=sessao-$$
runtime_dir=$(mktemp -d)  # the toolkit's runtime folder, private as it requires
trap 'rm -rf "$log" "$runtime_dir" "$app/$name.wav" "$app/$name-cli.wav"' EXIT
export XDG_RUNTIME_DIR=$runtime_dir

# Clicks the middle of a control, given by its layout position [left bottom width height] within
# a window whose client area is height pixels high.
click() {
  local window=$1 height=$2 left=$3 bottom=$4 width=$5 tall=$6
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --sync $((X + left + width / 2)) $((Y + height - bottom - tall / 2)) click 1
}

# The layout position of the control tagged $2 in layout $1.
at() {
  jq -r --arg tag "$2" '.window.children[] | select(.properties.Tag == $tag) | .properties.Position | map(tostring) | join(" ")' \
    "$data/$1.fig"
}

window_named() { timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }

cd "$app"
"$programs/quelvara" >"$log" 2>&1 &
program=$!

main=$(window_named Quelvara)
height=$(jq '.window.properties.Position[3]' "$data/interface.fig")  # the main window's client height
click "$main" "$height" $(at interface texto)           # the SAMPA text box
xdotool type --delay 20 '_pa_.'
xdotool key Return
click "$main" "$height" $(at interface tipo_variacao)   # the intonation list
sleep 0.5
xdotool key Down Return                     # "Gráfica"
sleep 1
click "$main" "$height" $(at interface botao_gravar)    # Gravar…
dialog=$(window_named Gravar)
click "$dialog" "$(jq '.window.properties.Position[3]' "$data/gravar.fig")" $(at gravar nome)  # the name
xdotool type --delay 20 "$name"
click "$dialog" "$(jq '.window.properties.Position[3]' "$data/gravar.fig")" $(at gravar ok)    # OK
for _ in $(seq 50); do [ -s "$name.wav" ] && break; sleep 0.2; done
click "$main" "$height" $(at interface botao_sair)      # Sair

status=0
timeout 60 tail --pid="$program" -f /dev/null || { kill "$program"; status=1; }
wait "$program" || status=$?
echo "windowed session: exit status $status, $(stat -c %s "$name.wav" 2>/dev/null || echo no) bytes saved"
if [ -s "$log" ]; then
  echo "windowed session: the program printed:"
  cat "$log"
  status=1
fi
# What was saved is the "Gráfica" signal of the text, as the command line makes it.
"$programs/quelvara-synth" --grafica -o "$name-cli.wav" '_pa_.'
cmp "$name.wav" "$name-cli.wav" || status=1
exit "$status"
