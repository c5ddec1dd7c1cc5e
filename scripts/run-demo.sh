#!/usr/bin/env bash
# Runs the installer on the sample medium: the real program (64-bit build)
# under Wine in out/medium. Without a display it runs on a virtual one and
# saves a screenshot to out/screenshots/demo.png. LC_ALL=zh_CN.UTF-8 or
# zh_TW.UTF-8 shows the Chinese texts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
top=$(pwd)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$top/out/wineprefix}
scripts/prepare-wine-prefix.sh
echo "setup-sim state of the same medium:"
out/host/setup-sim --medium out/medium --dump | grep -E '^(Application|TMainForm\.(Caption|LvPrinters\.Items))' || true
cd out/medium
if [ -n "${DISPLAY:-}" ]; then
  exec /usr/lib/wine/wine64 "$top/out/win64/Setup.exe" "$@"
fi
disp=:$(( (RANDOM % 400) + 100 ))
Xvfb "$disp" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$disp /usr/lib/wine/wine64 "$top/out/win64/Setup.exe" "$@" &
prog=$!
# Wait for the main window (its caption in the language Wine runs in), then
# let it finish fading in.
case "${LC_ALL:-${LANG:-}}" in
  zh_CN*) lang=0x0804 ;;
  zh_TW*) lang=0x0404 ;;
  *) lang=0x0409 ;;
esac
printf '[System]\nLangID=%s\n' "$lang" > "$top/out/demo-machine.ini"
caption=$("$top/out/host/setup-sim" --machine "$top/out/demo-machine.ini" --medium "$top/out/medium" --dump |
          sed -n 's/^TMainForm\.Caption=//p')
DISPLAY=$disp timeout 90 /usr/lib/wine/wine64 "$top/out/win64/tests/guidriver.exe" -u wait-window "$caption" 60000 \
  >/dev/null 2>&1 || echo "the main window did not appear within a minute" >&2
sleep 2
mkdir -p "$top/out/screenshots"
DISPLAY=$disp xwd -root -silent | convert xwd:- "$top/out/screenshots/demo.png"
echo "screenshot: out/screenshots/demo.png"
kill $prog 2>/dev/null || true
/usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
