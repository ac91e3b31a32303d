#!/usr/bin/env bash
# Quelvara installed as a package installs it, used from another folder as a user uses it.
# The build is installed into a staging folder whose path has blanks, accents and a "+", as a
# clone in "Área de Trabalho/Quelvara+1" has; from a working folder of their own, the installed
# quelvara-synth synthesises SAMPA and Portuguese spelling and exports for annotation, also once
# its prefix has been moved, and the installed windowed program opens, synthesises, saves and
# ends on a virtual display. The staged menu entry, metainfo, icons and manual pages pass their
# validators.
#
# Usage: installed_test.sh BUILD_FOLDER SOURCE_FOLDER
# Skipped (status 77) when a tool that scripts/setup installs is missing.
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
for tool in desktop-file-validate appstreamcli man xvfb-run xdotool jq; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

stage="$top/Área de Trabalho/Quelvara+1 instalado"
DESTDIR=$stage cmake --install "$build" --prefix /usr > "$top/install.log" || fail "the install failed"
bin=$stage/usr/bin
share=$stage/usr/share
work=$top/trabalho
mkdir "$work"
cd "$work"

# --- quelvara-synth, with nothing of Quelvara's in the working folder.
synth=$bin/quelvara-synth
"$synth" --help | tr '\n' ' ' | grep -qF "a base de dados lida agora é «$share/quelvara/bd», a instalada." ||
  fail "--help does not name the installed database"
"$synth" --version | grep -qx 'quelvara-synth [0-9.]*' || fail "--version printed $("$synth" --version)"
"$synth" --grafica -o voz _pa_. || fail "quelvara-synth failed on _pa_."
(cd "$build/app" && ./quelvara-synth --grafica -o "$top/referencia.wav" _pa_.)
cmp -s voz.wav "$top/referencia.wav" || fail "the installed database does not give the runnable folder's signal"
"$synth" --pt --grafica -o "olá mundo.wav" "Bom dia, Lisboa." || fail "quelvara-synth --pt failed"
[ "$(stat -c %s "olá mundo.wav")" -gt 20000 ] || fail "olá mundo.wav is too short"
mkdir analise
"$synth" --factor 0.7 -o frase --textgrid analise/frase _6fraz6_. || fail "the export failed"
for f in frase.wav analise/frase-{orig,sinal}.{wav,TextGrid}; do [ -s "$f" ] || fail "$f was not written"; done

# A moved prefix still finds its data.
mv "$stage/usr" "$top/movido"
"$top/movido/bin/quelvara-synth" --grafica -o movido _pa_. || fail "quelvara-synth failed in a moved prefix"
cmp -s movido.wav voz.wav || fail "a moved prefix gave another signal"
mv "$top/movido" "$stage/usr"

# --- The windowed program: open, type, Gráfica, Gravar, Sair.
xvfb-run -a -s "-screen 0 1280x1024x24" "$source/.ci/windowed_session.sh" "$bin" "$share/quelvara" "$work" ||
  fail "the windowed session failed"

# --- The validators, on the staged files.
entry=$share/applications/pt.quelvara.quelvara.desktop
# Education, Science and AudioVideo are each a main category, as the menu entry means them to be:
# the validator's hint about that is left out.
report=$(desktop-file-validate --no-hints "$entry" 2>&1) && [ -z "$report" ] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate --no-net --pedantic "$share/metainfo/pt.quelvara.quelvara.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $report"
! grep -q '^[EWIP]: ' <<< "$report" || fail "appstreamcli: $report"
for page in quelvara quelvara-synth; do
  report=$(man --warnings -E UTF-8 -l -Tutf8 -Z "$share/man/man1/$page.1.gz" 2>&1 > /dev/null) && [ -z "$report" ] ||
    fail "man $page: $report"
done
for size in 48 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/pt.quelvara.quelvara.png
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" | tr -s ' ')" = " $size $size" ] || fail "$png is not $size x $size"
done
[ -s "$share/icons/hicolor/scalable/apps/pt.quelvara.quelvara.svg" ] || fail "the scalable icon is missing"
echo "ok"
