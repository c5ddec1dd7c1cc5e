# Shared by the GUI test scripts (sourced, not run): a virtual display, a
# Wine prefix of the script's own, the GUI driver, and the result lines that
# scripts/test-all.sh counts ("ok NAME", "FAIL NAME: why", "N passed, M failed").
#
# The program under test is the shipped one, out/win32/Setup.exe (i686), run
# by 32-bit Wine in one of two Windows settings, chosen by GUI_WINDOWS:
#   win32  (default) a 32-bit Windows: the helper library installs in process
#   wow64  a 64-bit Windows: the same program under WoW64 hands the
#          installation to the 64-bit sibling

gui_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
GUI_WINDOWS=${GUI_WINDOWS:-win32}
WINE=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
GUIDRIVER=$gui_top/out/win32/tests/guidriver.exe
SETUP=${SETUP:-$gui_top/out/win32/Setup.exe}
gui_passed=0
gui_failed=0
gui_xvfb=
gui_tmp=
setup_pid=

ok() { echo "ok $1"; gui_passed=$((gui_passed + 1)); }
fail() { echo "FAIL $1: $2"; gui_failed=$((gui_failed + 1)); }
# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then ok "$1"; else fail "$1" "expected '$2', got '$3'"; fi
}

finish() {
  echo "$gui_passed passed, $gui_failed failed"
  [ "$gui_failed" = 0 ]
}

gui_cleanup() {
  if [ -n "$setup_pid" ]; then kill "$setup_pid" 2>/dev/null; fi
  if [ -n "$WINEPREFIX" ] && [ -n "$gui_tmp" ]; then timeout 20 "$WINESERVER" -k >/dev/null 2>&1; fi
  if [ -n "$gui_xvfb" ]; then kill "$gui_xvfb" 2>/dev/null; wait "$gui_xvfb" 2>/dev/null; fi
  if [ -n "$gui_tmp" ]; then rm -rf "$gui_tmp"; fi
}

# require_file FILE WHY: without FILE the suite cannot run; its one failure says WHY.
require_file() {
  if [ ! -f "$1" ]; then
    fail setup "$2"
    finish
    exit 1
  fi
}

# A display and a Wine prefix for this script alone; both go when it ends.
gui_setup() {
  for f in "$GUIDRIVER" "$SETUP"; do
    if [ ! -f "$f" ]; then
      fail setup "$f is not built"
      finish
      exit 1
    fi
  done
  gui_tmp=$(mktemp -d /tmp/gui-test.XXXXXX)
  trap gui_cleanup EXIT
  # Xvfb picks a free display number itself and writes it to the file.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$gui_tmp/display" >/dev/null 2>&1 &
  gui_xvfb=$!
  for _ in $(seq 50); do
    [ -s "$gui_tmp/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$gui_tmp/display" ]; then
    fail setup "Xvfb did not start"
    finish
    exit 1
  fi
  export DISPLAY=":$(head -1 "$gui_tmp/display")"
  export WINEPREFIX=$gui_tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  case "$GUI_WINDOWS" in
    win32) export WINEARCH=win32 ;;
    wow64) export WINEARCH=win64 ;;
    *) fail setup "GUI_WINDOWS must be win32 or wow64, not $GUI_WINDOWS"; finish; exit 1 ;;
  esac
  "$gui_top/scripts/prepare-wine-prefix.sh"
  # The program must see the Windows it is meant to: WoW64 or not.
  local wow
  wow=$(guidriver is-wow64 2>/dev/null)
  if [ "$wow" != "$([ "$GUI_WINDOWS" = wow64 ] && echo 1 || echo 0)" ]; then
    fail setup "the $GUI_WINDOWS prefix answers IsWow64=$wow"
    finish
    exit 1
  fi
}

# guidriver ARGS...: the driver, never longer than a minute.
guidriver() { timeout 60 "$WINE" "$GUIDRIVER" "$@"; }

# start_setup DIR [ARGS...]: Setup.exe with DIR as its current directory.
# The locale of the caller (LC_ALL) chooses the language under Wine.
start_setup() {
  local dir=$1
  shift
  (cd "$dir" && exec "$WINE" "$SETUP" "$@") >/dev/null 2>&1 &
  setup_pid=$!
}

# open_setup NAME DIR CAPTION: start_setup DIR and wait for its window; when
# none comes up, NAME fails, the program is stopped and the result is 1.
open_setup() {
  start_setup "$2"
  guidriver wait-window "$3" 60000 && return 0
  fail "$1" "no visible window \"$3\""
  stop_setup 5 >/dev/null
  return 1
}

# stop_setup [TIMEOUT_S]: waits for Setup.exe to end and prints its exit
# code; "timeout" when it had to be killed.
stop_setup() {
  local limit=${1:-20} i
  for ((i = 0; i < limit * 10; i++)); do
    if ! kill -0 "$setup_pid" 2>/dev/null; then
      wait "$setup_pid"
      echo $?
      setup_pid=
      return
    fi
    sleep 0.1
  done
  kill "$setup_pid" 2>/dev/null
  wait "$setup_pid" 2>/dev/null
  setup_pid=
  timeout 20 "$WINESERVER" -k >/dev/null 2>&1
  echo timeout
}

# screenshot CAPTION FILE: the window, cut from the screen.
screenshot() {
  local rect
  rect=$(guidriver rect "$1") || return 1
  read -r x y w h <<<"$rect"
  # Let the window paint before it is taken.
  sleep 1
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$2"
}
