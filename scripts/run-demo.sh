#!/usr/bin/env bash
# Runs the installer on the sample medium: the shipped program
# (out/win32/Setup.exe) under 32-bit Wine in out/medium, on a 32-bit Windows
# prefix (out/wineprefix; WINEARCH=win64 with another WINEPREFIX gives a
# 64-bit Windows, where the program hands off to the 64-bit sibling). On a
# machine that cannot run 32-bit programs, the x64 build of the same sources
# in out/medium-x64 on a 64-bit prefix (out/wineprefix-x64) instead.
# LC_ALL=zh_CN.UTF-8 or zh_TW.UTF-8 shows the Chinese texts. The medium's
# open helper library installs the first model's driver from its INF (Wine
# lists no printer device, so the queue goes on LPT1:); the driver read back
# from the spooler ends the output.
#
# With a display (DISPLAY set) the program runs there until closed. Without
# one it runs on a virtual display, saves a capture of the main window to
# out/screenshots/demo.png, presses Install, answers the questions and saves
# the outcome box to out/screenshots/demo-outcome.png, then ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --no-asan
top=$(pwd)
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
wine=${WINE32:-/usr/lib/wine/wine}
medium=out/medium
build=out/win32
if "$wine" --version >/dev/null 2>&1; then
  export WINEARCH=${WINEARCH:-win32}
  export WINEPREFIX=${WINEPREFIX:-$top/out/wineprefix}
else
  # No 32-bit programs here: the x64 build of the same sources on its medium.
  echo "this machine does not run 32-bit programs: showing the x64 build of the program (out/medium-x64) on a 64-bit Windows prefix"
  wine=/usr/lib/wine/wine64
  medium=out/medium-x64
  build=out/win64
  export WINEARCH=win64
  export WINEPREFIX=${WINEPREFIX:-$top/out/wineprefix-x64}
fi
guidriver() { timeout 90 "$wine" "$top/$build/tests/guidriver.exe" "$@"; }
echo "setup-sim state of the same medium:"
out/host/setup-sim --medium "$medium" --dump | grep -E '^(Application|TMainForm\.(Caption|LvPrinters\.Items))' || true

if [ -n "${DISPLAY:-}" ]; then
  scripts/prepare-wine-prefix.sh
  # Wine lacks the system's printer INF and PostScript core that the sample
  # model's INF builds on: the prefix gets them as Windows keeps them.
  drvkit/tests/wine-printer-core.sh "$([ "$WINEARCH" = win32 ] && echo x86 || echo x64)"
  cd "$medium"
  exec "$wine" Setup.exe "$@"
fi

work=$(mktemp -d /tmp/demo.XXXXXX)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
prog=
cleanup() {
  [ -n "$prog" ] && kill "$prog" 2>/dev/null
  timeout 20 /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  kill $xvfb 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
scripts/prepare-wine-prefix.sh
# Wine lacks the system's printer INF and PostScript core that the sample
# model's INF builds on: the prefix gets them as Windows keeps them.
drvkit/tests/wine-printer-core.sh "$([ "$WINEARCH" = win32 ] && echo x86 || echo x64)"
# Each demo installs afresh: a queue left by an earlier one goes first.
guidriver delete-printer "Velmar VP-210" >/dev/null 2>&1 || true
(cd "$medium" && exec "$wine" Setup.exe "$@") >/dev/null 2>&1 &
prog=$!

# The main window's caption, in the language Wine runs in.
case "${LC_ALL:-${LANG:-}}" in
  zh_CN*) lang=0x0804 notice="注意" ;;
  zh_TW*) lang=0x0404 notice="注意" ;;
  *) lang=0x0409 notice=Notice ;;
esac
printf '[System]\nLangID=%s\n' "$lang" > "$work/machine.ini"
caption=$(out/host/setup-sim --machine "$work/machine.ini" --medium "$medium" --dump |
          sed -n 's/^TMainForm\.Caption=//p')
mkdir -p out/screenshots
# A capture of one window: a capture of the screen paints boxes and title
# bars black while a layered window is open.
capture() {  # CAPTION FILE
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" | tail -1)
  [ -n "$id" ] && import -window "$id" "$2" && echo "screenshot: $2"
}
if ! guidriver -u wait-window "$caption" 60000 >/dev/null 2>&1; then
  echo "the main window did not appear within a minute" >&2
  exit 1
fi
sleep 2
capture "$caption" out/screenshots/demo.png

# Install the first model: Yes to the question, then the outcome.
install=$(out/host/setup-sim --machine "$work/machine.ini" --medium "$medium" --dump |
          sed -n 's/^TMainForm\.BbtnStart\.Caption=//p')
guidriver click "$caption" "$install" >/dev/null 2>&1 || { echo "could not press $install" >&2; exit 1; }
for step in 1 2; do
  guidriver -b wait-window "$notice" 60000 >/dev/null 2>&1 || { echo "no answer from the program" >&2; exit 1; }
  sleep 1
  echo "box: $(guidriver -u -b dump "$notice" | awk -F'\t' '$1 == "control" && $2 == "Static" && $6 != "" { print $6 }' | tail -1)"
  if [ $step = 2 ]; then capture "$notice" out/screenshots/demo-outcome.png; fi
  # Yes (6) to the question, OK (1) to the outcome.
  guidriver -b click "$notice" '#6' >/dev/null 2>&1 || guidriver -b click "$notice" '#1' >/dev/null 2>&1
  sleep 1
done
echo "driver read back: $("$wine" "$top/$build/drvkit/tests/drvkit_probe.exe" driver "Velmar VP-210" 2>/dev/null | tr -d '\r' | tr '\n' ' ')"
