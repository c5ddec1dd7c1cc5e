#!/usr/bin/env bash
# A keyboard-only user under Wine, in the three languages: real key presses
# on the virtual display (xdotool, through the X server as a keyboard would)
# and the focus read back from the program's windows.
#  - main window: opens on the model list; Tab and Shift+Tab go list ->
#    Install -> Exit -> list (the information line is no stop); the arrows
#    choose the model; Escape does nothing (no cancel button); Enter or
#    Alt+I starts the installation; Alt+E ends the program (English only: the
#    Chinese captions carry no key letter).
#  - message box: N and Y answer it.
#  - connection prompt: opens with its OK button focused; Space presses it.
#  - search dialog: Escape gives up the search.
#  - diagnostics form: opens on its first button; Tab walks in its order to
#    the close button, Space presses it.
# Window captures of every form and box go to out/screenshots/keyboard-*.png.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit-state.ini
search=Search
form=FormTest

# Drive d: of the prefix, for the debug marker of the diagnostics form.
drive_d=$gui_tmp/drive-d
mkdir -p "$drive_d"
ln -sfn "$drive_d" "$WINEPREFIX/dosdevices/d:"

# keys WINDOW [-b] KEY...: the X window of WINDOW gets the keyboard focus and
# the keys are typed.
keys() {
  local win=$1 flag=
  shift
  if [ "${1:-}" = -b ]; then flag=-b; shift; fi
  local xid
  xid=$(guidriver $flag xid "$win" | tr -d '\r') || return 1
  xdotool windowfocus "$xid" 2>/dev/null
  xdotool key --delay 80 "$@"
  sleep 0.4
}

# focus_is TAG WINDOW CLASS TEXT: the focused control of WINDOW, within 3 s.
focus_is() {
  local got= i
  for ((i = 0; i < 15; i++)); do
    got=$(guidriver -u focus "$2" | tr -d '\r')
    [ "$got" = "$3"$'\t'"$4" ] && break
    sleep 0.2
  done
  check "$1" "$3"$'\t'"$4" "$got"
}

# group_is TAG WINDOW MODEL: the model group's caption (it starts with the
# text of $select) ends with MODEL.
group_is() {
  local got= i
  for ((i = 0; i < 15; i++)); do
    got=$(guidriver -u dump "$2" | awk -F'\t' -v p="$select" '$1 == "control" && $2 == "Button" && index($6, p) == 1 { print $6 }')
    [[ "$got" == *"$3" ]] && break
    sleep 0.2
  done
  if [[ "$got" == *"$3" ]]; then ok "$1"; else fail "$1" "group caption '$got'"; fi
}

# box_key TAG KEY BUTTON: KEY answers the notice box; a box that stays is
# closed by BUTTON (its control ID) so that the run can go on.
box_key() {
  keys "$notice" -b "$2"
  if guidriver -b wait-gone "$notice" 5000; then ok "$1"; else
    fail "$1" "box still up"; guidriver -b click "$notice" "$3"; fi
}

shot() {  # NAME WINDOW [-b]
  screenshot "$2" "$shots/keyboard-$1.png" "${3:-}" || fail "screenshot $1" "no capture of \"$2\""
}

run_lang() {  # LANG LOCALE
  local lang=$1 t=kb-$1
  export LC_ALL=$2
  local main install exit notice infos ok_text select confirm failed
  cat_texts "$lang" main=StrAppTitle install=StrInstallButton exit=StrExitButton notice=StrNotice \
    infos=StrInfos ok_text=StrOK select=StrSelectDriver confirm=StrConfirmInstall \
    failed=StrInstallFailed
  local medium=$gui_tmp/medium-$lang
  rm -rf "$medium"
  cp -r "$gui_medium" "$medium"
  rm -f "$drive_d/Debug"

  open_setup "$t start" "$medium" "$main" || return
  sleep 1
  focus_is "$t opens on the model list" "$main" SysListView32 ""
  keys "$main" Tab
  focus_is "$t tab to install" "$main" Button "$install"
  keys "$main" Tab
  focus_is "$t tab to exit" "$main" Button "$exit"
  keys "$main" Tab
  focus_is "$t tab wraps to the list" "$main" SysListView32 ""
  keys "$main" shift+Tab shift+Tab
  focus_is "$t shift+tab back to install" "$main" Button "$install"
  keys "$main" Tab Tab
  focus_is "$t list again" "$main" SysListView32 ""
  keys "$main" Right
  group_is "$t right chooses the second model" "$main" "VP-350S"
  keys "$main" Left
  group_is "$t left chooses the first model" "$main" "VP-210"
  shot "main-$lang" "$main"
  keys "$main" Escape
  if guidriver -b wait-window "$notice" 1500 2>/dev/null; then
    fail "$t escape does nothing" "a box came up"
  elif guidriver wait-window "$main" 1000; then
    ok "$t escape does nothing"
  else
    fail "$t escape does nothing" "main window gone"
  fi

  # Enter from the list presses Install; N says No to the confirmation.
  keys "$main" Return
  if guidriver -b wait-window "$notice" 10000; then
    # The box Enter brings is the confirmation, not another notice.
    local shown
    shown=$(box_text "$notice")
    if [[ "$shown" == "${confirm%%\\r\\n*}"* ]]; then ok "$t enter presses install"; else
      fail "$t enter presses install" "the box says '$shown'"; fi
    shot "confirm-$lang" "$notice" -b
    box_key "$t N answers No" n "#7"
  else
    fail "$t enter presses install" "no \"$notice\" box"
  fi

  # The second model: the prompt, the search, its outcome.
  guidriver wait-window "$main" 5000
  keys "$main" Right
  if [ "$lang" = en ]; then keys "$main" alt+i; else keys "$main" Return; fi
  if guidriver -b wait-window "$notice" 10000; then
    ok "$t install of the second model"
    keys "$notice" -b y
  else
    fail "$t install of the second model" "no confirmation"
  fi
  if guidriver wait-window "$infos" 10000; then
    focus_is "$t prompt opens on OK" "$infos" Button "$ok_text"
    shot "prompt-$lang" "$infos"
    keys "$infos" space
    if guidriver wait-window "$search" 10000; then
      ok "$t space on OK starts the search"
      sleep 1.5
      shot "search-$lang" "$search"
      keys "$search" Escape
      if guidriver wait-hidden "$search" 5000; then ok "$t escape gives up the search"; else
        fail "$t escape gives up the search" "dialog still up"; fi
    else
      fail "$t space on OK starts the search" "no search dialog"
    fi
  else
    fail "$t prompt" "no \"$infos\" window"
  fi
  # Given up, the search installs offline; the stand-in knows only the
  # first model and refuses the second (0x57): the failure box, then Enter.
  if guidriver -b wait-window "$notice" 30000; then
    local outcome
    outcome=$(box_text "$notice")
    if [[ "$outcome" == "${failed%%(*}"*0x00000057* ]]; then ok "$t outcome is the failure box"; else
      fail "$t outcome is the failure box" "the box says '$outcome'"; fi
    shot "outcome-$lang" "$notice" -b
    box_key "$t enter dismisses the outcome" Return "#1"
  else
    fail "$t outcome" "no box"
  fi
  guidriver delete-printer "Velmar VP-350S" >/dev/null 2>&1

  # Leaving: Alt+E in English, Tab to Exit and Space otherwise.
  guidriver wait-window "$main" 10000
  if [ "$lang" = en ]; then
    keys "$main" alt+e
  else
    local i
    for ((i = 0; i < 4; i++)); do
      [ "$(guidriver -u focus "$main" | tr -d '\r')" = "Button"$'\t'"$exit" ] && break
      keys "$main" Tab
    done
    keys "$main" space
  fi
  if guidriver wait-gone "$main" 10000; then ok "$t leaves by the keyboard"; else
    fail "$t leaves by the keyboard" "window stays"; guidriver close "$main"; fi
  check "$t exit code" 0 "$(stop_setup 20)"

  # The diagnostics form (debug marker present).
  : >"$drive_d/Debug"
  open_setup "$t diag start" "$medium" "$main" || return
  guidriver dblclick "$main" 10 200
  # The first start in a fresh prefix can show the window before it has laid
  # itself out; a double-click that lands then is made once more, as a user would.
  if ! guidriver wait-window "$form" 10000; then
    echo "note: $t the first double-click opened nothing; once more"
    guidriver dblclick "$main" 10 200
  fi
  if guidriver wait-window "$form" 10000; then
    focus_is "$t diag opens on its first button" "$form" Button "Find HWID"
    keys "$form" Tab
    focus_is "$t diag tab to the results" "$form" RichEdit20A "RedtResults"
    shot "diag-$lang" "$form"
    keys "$form" Tab Tab Tab
    focus_is "$t diag tab to close" "$form" Button "&Close"
    keys "$form" space
    if guidriver wait-hidden "$form" 5000; then ok "$t diag space closes"; else
      fail "$t diag space closes" "still up"; guidriver click "$form" Close; fi
  else
    fail "$t diag opens" "no \"$form\""
  fi
  guidriver close "$main"
  guidriver wait-gone "$main" 10000
  stop_setup 20 >/dev/null
}

run_lang en en_US.UTF-8
run_lang zhs zh_CN.UTF-8
run_lang zht zh_TW.UTF-8
finish
