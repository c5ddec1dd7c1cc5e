# Shared by the GUI test scripts (sourced, not run): a virtual display, a
# Wine prefix of the script's own, the GUI driver, and the result lines that
# scripts/test-all.sh counts ("ok NAME", "FAIL NAME: why", "N passed, M failed").
#
# The program under test is the shipped one, out/win32/Setup.exe (i686), run
# by 32-bit Wine, or its x64 build (the vehicle for machines that cannot run
# 32-bit programs), in one of three Windows settings, chosen by GUI_WINDOWS:
#   win32  (default) a 32-bit Windows: the helper library installs in process
#   wow64  a 64-bit Windows: the same program under WoW64 hands the
#          installation to the 64-bit sibling
#   x64    a 64-bit Windows running out/win64/Setup.exe natively on
#          out/medium-x64: in process, as on a 32-bit Windows
# The suites run on the media with the helper-library stand-ins
# (out/medium-standins, -x64), which steer the outcomes; realdriver.sh on the
# sample medium with the open helper library. GUI_OUT and GUI_MEDIUM name
# another build folder of the programs under test and another medium.

gui_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
GUI_WINDOWS=${GUI_WINDOWS:-win32}
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
if [ "$GUI_WINDOWS" = x64 ]; then
  # The build folder of the programs under test, and the medium's suffix.
  gui_out=${GUI_OUT:-$gui_top/out/win64}
  gui_medium=${GUI_MEDIUM:-$gui_top/out/medium-standins-x64}
  WINE=$WINE64
else
  gui_out=${GUI_OUT:-$gui_top/out/win32}
  gui_medium=${GUI_MEDIUM:-$gui_top/out/medium-standins}
  WINE=${WINE32:-/usr/lib/wine/wine}
fi
GUIDRIVER=$gui_out/tests/guidriver.exe
SETUP=${SETUP:-$gui_out/Setup.exe}
# The assembled medium, and where the suites keep their screenshots (the
# vehicle's apart, since a suite may run in two settings at once).
medium=$gui_medium
shots=$gui_top/out/screenshots
[ "$GUI_WINDOWS" = x64 ] && shots=$shots/x64
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
    wow64 | x64) export WINEARCH=win64 ;;
    *) fail setup "GUI_WINDOWS must be win32, wow64 or x64, not $GUI_WINDOWS"; finish; exit 1 ;;
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

# gui_start FILE: the common start of a suite, from the top of the tree: FILE
# of the medium must be there (else the suite's one failure says so), then a
# display and a prefix (gui_setup).
gui_start() {
  cd "$gui_top" || exit 1
  require_file "$medium/$1" "$medium is not assembled or lacks $1 (scripts/assemble-medium.sh)"
  mkdir -p "$shots"
  gui_setup
}

# A text of the program's catalogue in UTF-8: NAME LANG (en, zhs or zht).
cat_text() {
  awk -v name="$1" -v lang="$2" '
    $0 == name { inside = 1; next }
    inside && $1 == lang { s = $0; sub(/^[^"]*"/, "", s); sub(/"[^"]*$/, "", s); print s; exit }
    inside && !/^[ \t]/ { inside = 0 }' "$gui_top/src/i18n/catalogue.txt"
}

# cat_texts LANG VAR=NAME...: each VAR (the caller's, best local) gets the
# catalogue text NAME in LANG.
cat_texts() {
  local lang=$1 pair
  shift
  for pair in "$@"; do
    printf -v "${pair%%=*}" '%s' "$(cat_text "${pair#*=}" "$lang")"
  done
}

# guidriver ARGS...: the driver, never longer than a minute.
guidriver() { timeout 60 "$WINE" "$GUIDRIVER" "$@"; }

# start_setup DIR [ARGS...]: Setup.exe with DIR as its current directory.
# The locale of the caller (LC_ALL) chooses the language under Wine.
# Its debug output (OutputDebugString) goes to $gui_tmp/debug.log.
# Its exit code goes to $gui_tmp/setup.rc when it ends.
start_setup() {
  local dir=$1
  shift
  rm -f "$gui_tmp/setup.rc"
  ( (cd "$dir" && WINEDEBUG=-all,+debugstr exec "$WINE" "$SETUP" "$@") >/dev/null \
      2>>"$gui_tmp/debug.log"
    echo $? >"$gui_tmp/setup.rc.new" && mv "$gui_tmp/setup.rc.new" "$gui_tmp/setup.rc") &
  setup_pid=$!
}

# debug_lines: the program's debug lines so far, decoded from GBK into UTF-8.
debug_lines() {
  sed -n 's/^.*:debugstr:OutputDebugStringA "\(.*\)"$/\1/p' "$gui_tmp/debug.log" 2>/dev/null |
    python3 -c 'import sys,codecs
for l in sys.stdin.buffer:
    b = codecs.escape_decode(l.rstrip(b"\n"))[0]
    print(b.decode("gbk", "replace"))'
}

# box_text CAPTION: the text of the message box of that caption, in UTF-8.
box_text() {
  guidriver -u -b dump "$1" | awk -F'\t' '$1 == "control" && $2 == "Static" && $6 != "" { print $6 }' | tail -1
}

# answer TAG CAPTION TEXT BUTTON: waits for a message box of CAPTION whose
# text contains TEXT (UTF-8) and presses BUTTON on it.
answer() {
  local tag=$1 cap=$2 want=$3 button=$4 text i
  if ! guidriver -b wait-window "$cap" 30000; then
    fail "$tag" "no \"$cap\" box"
    return 1
  fi
  text=$(box_text "$cap")
  if [[ "$text" == *"$want"* ]]; then ok "$tag"; else fail "$tag" "box says '$text'"; fi
  local id=$button
  case $button in OK) id='#1' ;; Cancel) id='#2' ;; Yes) id='#6' ;; No) id='#7' ;; esac
  guidriver -b click "$cap" "$id" || fail "$tag press" "no button \"$button\""
  # Gone, or replaced by the next box of the same caption.
  for ((i = 0; i < 50; i++)); do
    guidriver -b exists "$cap" 2>/dev/null || return 0
    [ "$(box_text "$cap")" != "$text" ] && return 0
    sleep 0.1
  done
  fail "$tag gone" "the box stays"
}

# running: Setup.exe has not ended (its exit code is not written yet).
running() { [ -n "$setup_pid" ] && [ ! -f "$gui_tmp/setup.rc" ] && kill -0 "$setup_pid" 2>/dev/null; }

# no_window TAG CAPTION WAIT_MS [-b]: no visible window of CAPTION (-b: no
# message box) comes up while the program goes on running. Only the driver's
# "no such window" counts: a driver that fails or a program that has ended
# proves nothing.
no_window() {
  local rc
  guidriver ${4:-} wait-window "$2" "$3" 2>/dev/null
  rc=$?
  if [ $rc = 0 ]; then
    fail "$1" "one shows '$(box_text "$2")'"
  elif [ $rc != 1 ]; then
    fail "$1" "the GUI driver failed ($rc)"
  elif ! running; then
    fail "$1" "the program is not running"
  else
    ok "$1"
  fi
}

# no_box TAG CAPTION [WAIT_MS]: no message box of CAPTION comes up.
no_box() { no_window "$1" "$2" "${3:-2000}" -b; }

# usable TAG CAPTION: the main window is back, its Install button enabled.
usable() {
  local dump i
  for ((i = 0; i < 50; i++)); do
    dump=$(guidriver -u dump "$2")
    if awk -F'\t' '$1 == "control" && $2 == "Button" && $6 ~ /Install|安装|安裝/ { found = 1; exit $3 == 1 ? 0 : 1 } END { if (!found) exit 1 }' <<<"$dump"; then
      ok "$1 usable"
      return 0
    fi
    sleep 0.1
  done
  fail "$1 usable" "the Install button is not enabled"
}

# Where the Wine GUI suites and the demo copy the medium: the stand-ins'
# call log and state of one setting's helper library.
# A 64-bit program (x64) installs in process from i386\ as a 32-bit one does.
helper_dir() {  # MEDIUM
  if [ "$GUI_WINDOWS" = wow64 ]; then echo "$1/X64"; else echo "$1/i386"; fi
}

# open_setup NAME DIR CAPTION: start_setup DIR and wait for its window; when
# none comes up, NAME fails, the program is stopped and the result is 1.
open_setup() {
  start_setup "$2"
  local t0=$SECONDS rc
  guidriver wait-window "$3" 60000 && return 0
  rc=$?
  # Say what was there instead: how the wait ended, whether the program had
  # ended, and its last words.
  local state="still running"
  [ -f "$gui_tmp/setup.rc" ] && state="ended with $(cat "$gui_tmp/setup.rc")"
  fail "$1" "no visible window \"$3\" (the wait ended with $rc after $((SECONDS - t0)) s; the program $state; its last debug lines: $(debug_lines | tail -3 | tr '\n' '|'))"
  stop_setup 5 >/dev/null
  return 1
}

# stop_setup [TIMEOUT_S]: waits for Setup.exe to end and prints its exit
# code; "timeout" when it had to be killed.
stop_setup() {
  local limit=${1:-20} i
  for ((i = 0; i < limit * 10; i++)); do
    if [ -f "$gui_tmp/setup.rc" ]; then
      cat "$gui_tmp/setup.rc"
      rm -f "$gui_tmp/setup.rc"
      return
    fi
    sleep 0.1
  done
  kill "$setup_pid" 2>/dev/null
  timeout 20 "$WINESERVER" -k >/dev/null 2>&1
  echo timeout
}

# screenshot CAPTION FILE [-b]: a capture of that window alone (a capture of
# the screen paints boxes and title bars black while a layered window is
# open); -b for a message box of that caption.
screenshot() {
  local xid
  xid=$(guidriver ${3:-} xid "$1" | tr -d '\r') || return 1
  # Let the window paint before it is taken.
  sleep 1
  import -display "$DISPLAY" -window "$xid" "$2"
}
