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
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
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
sleep 6
mkdir -p "$top/out/screenshots"
DISPLAY=$disp xwd -root -silent | convert xwd:- "$top/out/screenshots/demo.png"
echo "screenshot: out/screenshots/demo.png"
kill $prog 2>/dev/null || true
/usr/lib/wine/wine64 wineserver -k >/dev/null 2>&1 || true
