#!/usr/bin/env bash
# The real program on a virtual display under a real window manager (openbox), driven as a user
# drives it: clicks and keys through the X server (xdotool), windows found by their titles.
#
# Usage: desktop_session_test.sh PROGRAM APP_FOLDER SYNTH [SCREENSHOT_FOLDER]
#   PROGRAM      the windowed program (build/app/quelvara)
#   APP_FOLDER   the runnable folder with the layouts, pictures and the database
#   SYNTH        quelvara-synth, whose file the saved one must equal
#   SCREENSHOT_FOLDER, when given, receives a picture of every window, frame included
#   (QT_SCALE_FACTOR=2 with a screen of 3840x2160 gives them at 200 %).
# Xvfb, openbox, xdotool, xprop, jq and ImageMagick's import (which also finds the F0 points on
# the screen) come from scripts/setup; without them the test is skipped (status 77).
set -euo pipefail
program=$(realpath "$1") app=$(realpath "$2") synth=$(realpath "$3") shots=${4:+$(realpath "$4")}
screen=${QUELVARA_TEST_SCREEN:-1280x1024}

for tool in Xvfb openbox xdotool xprop jq import; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done
if [ ! -f "$app/bd-index.txt" ]; then
  echo "skipped: there is no database in $app"
  exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.out "$work"/*.err; do [ -s "$f" ] && { echo "--- $f"; cat "$f"; } >&2; done
  exit 1
}
# Polls a condition (a command) every 50 ms for up to $1 seconds.
within() {
  local seconds=$1
  shift
  local tries=$((seconds * 20))
  while ! "$@" 2> /dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.05
  done
}

# A display and a window manager of the test's own.
Xvfb -displayfd 5 -screen 0 "${screen}x24" -nolisten tcp 5> "$work/display" 2> "$work/xvfb.err" &
pids+=($!)
within 10 test -s "$work/display" || fail "the virtual display did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
openbox --sm-disable > "$work/openbox.log" 2>&1 &
pids+=($!)
within 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"

# A sanitizer build reports what the desktop libraries keep to the end of the process (font and
# message-bus caches): not this program's leaks. The path is quoted for the sanitizers' option
# parser, which would stop at a blank.
suppressions=$(realpath "$(dirname "$0")/../../scripts/lsan-suppressions.txt")
export LSAN_OPTIONS="suppressions='$suppressions':print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# A working folder like the runnable one.
run=$work/run
mkdir "$run"
for f in "$app"/*.fig "$app"/*.jpg "$app"/bd "$app"/bd-index.txt; do ln -s "$f" "$run/"; done

active() { xdotool getactivewindow 2> /dev/null; }
is_active() { [ "$(active)" = "$1" ]; }
activated() { xdotool windowactivate "$1" && sleep 0.2 && is_active "$1"; }
shown() { xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n 1; }
gone() { [ -z "$(xdotool search --onlyvisible --name "$1" 2> /dev/null)" ]; }
# The window that becomes active next, titled $1, other than $2.
next_active() {
  local title=$1 other=${2:-none} w tries=400
  while [ $tries -gt 0 ]; do
    w=$(active) || w=
    if [ -n "$w" ] && [ "$w" != "$other" ] && [ "$(xdotool getwindowname "$w" 2> /dev/null)" = "$title" ]; then
      echo "$w"
      return 0
    fi
    tries=$((tries - 1))
    sleep 0.05
  done
  fail "no window \"$title\" became active (active: $(active || echo none))"
}
# The centre of a control of a layout, in its window's coordinates (screen pixels: layout
# pixels times the toolkit's scale factor).
centre() {
  jq -r --arg tag "$2" --argjson scale "${QT_SCALE_FACTOR:-1}" '.window.properties.Position[3] as $h |
    .window.children[] | select(.properties.Tag == $tag) | .properties.Position |
    "\((.[0] + .[2] / 2) * $scale | floor) \(($h - .[1] - .[3] / 2) * $scale | floor)"' "$app/$1.fig"
}
click() {  # window id, layout, tag
  local x y
  read -r x y < <(centre "$2" "$3")
  [ -n "$x" ] || fail "no control $3 in $2.fig"
  xdotool mousemove --window "$1" "$x" "$y" click 1
}
# The centre of a filled square of the F0 being edited (its colour, 200,0,200, seven pixels or
# more across), in the window's pixels; fails when there is none.
edited_point() {
  import -window "$1" txt:- 2> /dev/null | grep -F 'srgb(200,0,200)' | awk -F'[,: ]+' '
    { on[$1 "," $2] = 1; order[n++] = $1 "," $2 }
    END {
      for (i = 0; i < n; i++) {
        split(order[i], p, ",")
        x = p[1]; y = p[2]
        if (on[(x + 4) "," y] && on[x "," (y + 4)] && on[(x + 4) "," (y + 4)] && on[(x + 2) "," (y + 2)]) {
          print x + 3, y + 3
          exit 0
        }
      }
      exit 1
    }'
}
point_left() {  # window id, x, y: the first such square no longer stands at x, y
  [ "$(edited_point "$1")" != "$2 $3" ]
}
# Presses a button that asks for a file, types the name into the file chooser, and closes the
# message that lists what was written.
save_through_chooser() {  # window id, its layout, the button's tag, the chooser's title, the name
  local chooser box
  click "$1" "$2" "$3"
  chooser=$(next_active "$4" "$1")
  xdotool key ctrl+a
  xdotool type --delay 20 "$5"
  xdotool key Return
  box=$(next_active Quelvara "$chooser")
  xdotool key Return
}
shot() {  # window id, file name: the window with its frame
  [ -n "$shots" ] || return 0
  sleep 0.3  # let it paint
  local frame
  frame=$(xwininfo -children -id "$1" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
  import -window "$frame" "$shots/$2.png"
}
start() {  # name of the run
  (cd "$run" && exec env -u XDG_RUNTIME_DIR "$program" > "$work/$1.out" 2> "$work/$1.err") &
  program_pid=$!
  pids+=($program_pid)
  main=$(next_active Quelvara)
}
ends_with() {  # status, within seconds: the program ends
  within "$2" sh -c "! kill -0 $program_pid" || fail "the program did not end within $2 s"
  local status=0
  wait "$program_pid" || status=$?
  [ "$status" = "$1" ] || fail "the program ended with status $status"
}

# --- A session: text, Gráfica, save; Factor out of range and in range; save cancelled; leave.
start session
shot "$main" janela-principal

# A click after editing without Enter is not lost: the text is read, the credits open.
click "$main" interface texto
xdotool type --delay 20 "_pa_."
click "$main" interface botao_creditos
credits=$(next_active "Créditos" "$main")
shot "$credits" creditos
xdotool key Escape
within 10 gone "^Créditos$" || fail "Escape did not close the credits"

click "$main" interface sampa
chart=$(next_active "Tabela SAMPA" "$main")
shot "$chart" tabela-sampa
xdotool key Return
within 10 gone "^Tabela SAMPA$" || fail "Enter did not close the chart"

within 10 is_active "$main" || fail "the main window did not get the focus back"
click "$main" interface texto
xdotool key ctrl+a
xdotool type --delay 20 "_papa_."
xdotool key Return
click "$main" interface tipo_variacao  # the list opens on Factor
xdotool key Down Return                # Gráfica
click "$main" interface botao_gravar
dialog=$(next_active Gravar "$main")
shot "$dialog" gravar
xdotool type --delay 20 frase
xdotool key Return
within 10 test -f "$run/frase.wav" || fail "Enter in the save dialog wrote no file"
within 10 gone "^Gravar$" || fail "the save dialog stayed open"

within 10 is_active "$main" || fail "the main window did not get the focus back"
click "$main" interface tipo_variacao
xdotool key Up Return                  # Factor
dialog=$(next_active Factor "$main")
shot "$dialog" val_factor
click "$main" interface botao_creditos  # the dialog is modal: this opens nothing
xdotool type --delay 20 0.3            # replaces the 1 the box starts with
xdotool key Return
box=$(next_active Quelvara "$main")
shot "$box" mensagem
xdotool key Return
dialog=$(next_active Factor "$box")
xdotool type --delay 20 1.5
xdotool key Return
within 10 is_active "$main" || fail "the factor dialog did not give the focus back"
gone "^Créditos$" || fail "a click on the main window went through the factor dialog"

click "$main" interface botao_gravar
dialog=$(next_active Gravar "$main")
xdotool type --delay 20 perdido
xdotool key Escape
within 10 gone "^Gravar$" || fail "Escape did not close the save dialog"
within 10 is_active "$main" || fail "the main window did not get the focus back"

click "$main" interface botao_sair
ends_with 0 5
[ ! -e "$run/perdido.wav" ] || fail "Escape saved a file"
(cd "$run" && "$synth" --grafica -o "$work/referencia.wav" "_papa_." > /dev/null) || fail "quelvara-synth failed"
cmp -s "$run/frase.wav" "$work/referencia.wav" || fail "the saved file differs from quelvara-synth's"
[ ! -s "$work/session.out" ] && [ ! -s "$work/session.err" ] || fail "the program printed something"

# --- The analysis window: opened after a Factor run, redrawn after a Gráfica run, exported
# through the file chooser, redrawn after a Natural run of a stressed text, closed by Escape;
# opened again, it goes when the main window is left, and the program ends.
start analysis
click "$main" interface texto
xdotool type --delay 10 "_6fraz6kOmprid6pur6tEStar_."
xdotool key Return
click "$main" interface tipo_variacao
xdotool key Return                     # Factor
dialog=$(next_active Factor "$main")
xdotool type --delay 20 0.7
xdotool key Return
within 10 is_active "$main" || fail "the factor dialog did not give the focus back"
click "$main" interface botao_analise
analysis=$(next_active "Análise" "$main")
shot "$analysis" analise-factor
within 10 activated "$main" || fail "the main window did not come to the front"  # the analysis window may cover it
click "$main" interface tipo_variacao
xdotool key Down Return                # Gráfica
within 10 is_active "$main" || fail "the main window did not keep the focus"
# Asked again until it holds: a program still busy with the run (slow under the sanitizers) may
# miss the first request.
within 10 activated "$analysis" || fail "the analysis window did not come to the front"
shot "$analysis" analise-grafica
save_through_chooser "$analysis" analise exportar "Exportar sinais e anotações" aula
for f in aula-orig.wav aula-orig.TextGrid aula-sinal.wav aula-sinal.TextGrid; do
  test -f "$run/$f" || fail "Exportar wrote no $f"
done
within 10 activated "$analysis" || fail "the analysis window did not come back to the front"
# Natural, on a text with its stress marks: the analysis window follows.
within 10 activated "$main" || fail "the main window did not come to the front"
click "$main" interface texto
xdotool key ctrl+a
xdotool type --delay 10 '_6"fraz6kOm"prid6pur6tES"tar_.'
xdotool key Return
click "$main" interface tipo_variacao
xdotool key Down Return                # Natural
within 10 is_active "$main" || fail "the main window did not keep the focus"
within 10 activated "$analysis" || fail "the analysis window did not come to the front"
shot "$analysis" analise-natural
# Editing by hand: a pitch point dragged up, the prosody saved as a .pho file, the result saved
# by Gravar (checked against quelvara-synth --pho once the program has ended).
click "$analysis" analise editar
within 10 edited_point "$analysis" > "$work/point" || fail "Editar prosódia showed no F0 point to drag"
read -r x y < "$work/point"
xdotool mousemove --window "$analysis" "$x" "$y" mousedown 1
xdotool mousemove --window "$analysis" "$x" "$((y - 8))"
xdotool mousemove --window "$analysis" "$x" "$((y - 30))"
xdotool mouseup 1
within 10 point_left "$analysis" "$x" "$y" || fail "the dragged point stayed where it was"
shot "$analysis" analise-editar
save_through_chooser "$analysis" analise guardar_prosodia "Guardar prosódia" editada
test -f "$run/editada.pho" || fail "Guardar prosódia wrote no editada.pho"
within 10 activated "$main" || fail "the main window did not come to the front"
click "$main" interface botao_gravar
dialog=$(next_active Gravar "$main")
xdotool type --delay 20 editada
xdotool key Return
within 10 test -f "$run/editada.wav" || fail "Gravar wrote no editada.wav"
within 10 activated "$analysis" || fail "the analysis window did not come to the front"
xdotool key Escape
within 10 gone "^Análise$" || fail "Escape did not close the analysis window"
within 10 activated "$main" || fail "the main window did not come to the front"
click "$main" interface botao_analise
analysis=$(next_active "Análise" "$main")
within 10 activated "$main" || fail "the main window did not come to the front"
click "$main" interface botao_sair
ends_with 0 5
[ ! -s "$work/analysis.out" ] && [ ! -s "$work/analysis.err" ] || fail "the program printed something"
(cd "$run" && "$synth" --pho editada.pho -o "$work/editada.wav" > /dev/null) || fail "quelvara-synth --pho failed"
cmp -s "$run/editada.wav" "$work/editada.wav" || fail "Gravar after the edit differs from quelvara-synth --pho"
(cd "$run" && "$synth" --natural --write-pho "$work/natural.pho" -o "$work/natural.wav" '_6"fraz6kOm"prid6pur6tES"tar_.' > /dev/null) ||
  fail "quelvara-synth --natural failed"
! cmp -s <(tail -n +2 "$run/editada.pho") <(tail -n +2 "$work/natural.pho") || fail "the drag did not change the prosody"

# --- Without the credits picture: its window stays hidden, and leaving still ends the program.
rm "$run/fig_tts.jpg"
start missing
click "$main" interface botao_creditos
box=$(next_active Quelvara "$main")
xdotool key Return
within 10 gone "^Créditos$" || true
within 10 is_active "$main" || fail "the main window did not get the focus back"
before=$(date +%s%N)
click "$main" interface botao_sair
ends_with 0 1
after=$(date +%s%N)
echo "without its picture: the program ended $(((after - before) / 1000000)) ms after Sair, status 0"
echo "ok"
