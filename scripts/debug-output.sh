#!/usr/bin/env bash
# Runs the shipped program under 32-bit Wine and prints its debug lines
# (OutputDebugStringA) as they come, decoded from GBK into UTF-8.
#   scripts/debug-output.sh [MEDIUM_DIR] [-- ARGS...]
# MEDIUM_DIR is the program's current directory (default out/medium). The
# display is $DISPLAY, or a virtual one when none is set; the Wine prefix is
# $WINEPREFIX (default out/wineprefix, a 32-bit Windows). LC_ALL chooses the
# language: LC_ALL=zh_CN.UTF-8 scripts/debug-output.sh. Ends with the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
medium=$top/out/medium
if [ $# -gt 0 ] && [ "$1" != -- ]; then medium=$(cd "$1" && pwd); shift; fi
[ "${1:-}" = -- ] && shift
exe=$top/out/win32/Setup.exe
[ -f "$exe" ] || { echo "debug-output.sh: build out/win32/Setup.exe first (scripts/build.sh)" >&2; exit 2; }
export WINEARCH=${WINEARCH:-win32} WINEPREFIX=${WINEPREFIX:-$top/out/wineprefix}
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb=
if [ -z "${DISPLAY:-}" ]; then
  fd=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$fd" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$fd")"
  rm -f "$fd"
  echo "debug-output.sh: on the virtual display $DISPLAY" >&2
fi
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null' EXIT
WINEDEBUG=-all "$top/scripts/prepare-wine-prefix.sh"
# Wine writes each line as a C string with the non-ASCII bytes escaped.
cd "$medium"
WINEDEBUG=-all,+debugstr /usr/lib/wine/wine "$exe" "$@" 2>&1 >/dev/null |
  sed -un 's/^.*:debugstr:OutputDebugStringA "\(.*\)"$/\1/p' |
  python3 -uc 'import sys, codecs
for line in sys.stdin.buffer:
    raw = codecs.escape_decode(line.rstrip(b"\n"))[0]
    print(raw.decode("gbk", "replace").rstrip("\r\n"), flush=True)'
