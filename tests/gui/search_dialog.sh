#!/usr/bin/env bash
# The real Setup.exe under Wine: the Install button starts the installation,
# which opens the search dialog for a model that demands the online check. On out/medium the helper-library stand-in reports
# the USB printer of the first model, so the dialog searches for ten seconds,
# finds it and counts down to the automatic press; Enter continues at once.
# The second model asks to connect the printer first: Enter on that prompt
# starts the search, Escape while searching gives up. Each time the main
# window is out of sight while the dialog is up; the installation then goes
# on and ends with its notice, after which the main window is back.
# Screenshots of the counting-down dialog go to out/screenshots/search-*.png.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit-state.ini

cp -r "$medium" "$gui_tmp/medium"
medium=$gui_tmp/medium
# Both models search before installing and ask nothing else (the second is
# the last section: its line goes at the end).
sed -i 's/^ForceOnlineCheck=0/ForceOnlineCheck=1/; s/^QuiteMode=0/QuiteMode=1/' "$medium/install.ini"
printf 'QuiteMode=1\r\n' >>"$medium/install.ini"

search=Search  # the dialog's caption is the same in every language

# The texts of WINDOW's controls of class CLASS, one a line, in UTF-8.
texts() {  # WINDOW CLASS
  guidriver -u dump "$1" | awk -F'\t' -v c="$2" '$1 == "control" && $2 == c { print $6 }'
}

# The continue button's countdown while it shows "TEXT( N)"; empty otherwise.
countdown() {  # CONTINUE_TEXT
  texts "$search" Button | countdown_in "$1"
}
# The same number from button texts given on the standard input.
countdown_in() {  # CONTINUE_TEXT
  awk -v p="$1(" 'index($0, p) == 1 && /\)$/ {
    n = substr($0, length(p) + 1); sub(/\)$/, "", n); print n + 0; exit }'
}

# The progress bar as "POS MAX".
progress() { texts "$search" msctls_progress32 | sed -n 's/^pos=\([0-9]*\) range=[0-9]*\.\.\([0-9]*\).*/\1 \2/p' | head -1; }

# Waits until the main window MAIN is hidden and the dialog shown.
expect_dialog_up() {  # TAG MAIN
  if guidriver wait-window "$search" 10000; then ok "$1 dialog shown"; else fail "$1 dialog shown" "no visible \"$search\""; fi
  if guidriver wait-hidden "$2" 3000; then ok "$1 main hidden"; else fail "$1 main hidden" "still visible"; fi
}

# The helper-library stand-in of the copy installs the driver named NAME.
installs_driver() {  # NAME
  local state=$medium/i386/drvkit-state.ini
  sed -i '/^InstallsDriver=/d' "$state"
  sed -i "/^\[HelperLibrary\]/a InstallsDriver=$1\r" "$state"
}

# The dialog goes; the installation goes on and ends with a notice (its
# caption NOTICE), which Enter dismisses; the main window is then back.
# The queue the installation made is deleted again for the next run (Wine
# cannot replace it: SetPrinter level 0 is not implemented).
expect_dialog_closed() {  # TAG MAIN TIMEOUT_MS NOTICE QUEUE
  if guidriver wait-hidden "$search" "$3"; then ok "$1 dialog closes"; else fail "$1 dialog closes" "still visible"; fi
  if guidriver wait-window "$4" 30000; then
    ok "$1 outcome shown"
    guidriver key "$4" ENTER
    if guidriver wait-gone "$4" 5000; then ok "$1 outcome dismissed"; else fail "$1 outcome dismissed" "still there"; fi
  else
    fail "$1 outcome shown" "no \"$4\" box"
  fi
  if guidriver wait-window "$2" 5000; then ok "$1 main back"; else fail "$1 main back" "main window not shown again"; fi
  if guidriver delete-printer "$5"; then ok "$1 queue made"; else fail "$1 queue made" "no queue \"$5\" to delete"; fi
}

quit_setup() {  # TAG MAIN
  guidriver close "$2"
  if guidriver wait-gone "$2" 10000; then ok "$1 main closes"; else fail "$1 main closes" "window stays"; fi
  check "$1 exit code" 0 "$(stop_setup 20)"
}

# Model 0: found, counted down; the automatic press (English) or Enter.
run_found() {  # TAG LOCALE LANG
  local tag=search-$1 lang=$3
  export LC_ALL=$2
  local main install continue searching found_fmt notice
  cat_texts "$lang" main=StrAppTitle notice=StrNotice install=StrInstallButton \
    continue=StrContinueSetup searching=StrSearching found_fmt=StrPortFound

  open_setup "$tag start" "$medium" "$main" || return
  if ! guidriver click "$main" "$install"; then
    fail "$tag install" "could not press \"$install\""
    stop_setup 5 >/dev/null
    return
  fi
  expect_dialog_up "$tag" "$main"

  # Searching: the label says so, the progress bar moves, cancel is offered.
  local labels first later
  labels=$(texts "$search" Static)
  if grep -qxF "$searching" <<<"$labels"; then ok "$tag searching label"; else fail "$tag searching label" "$labels"; fi
  local max
  read -r first max <<<"$(progress)"
  sleep 2.5
  read -r later max <<<"$(progress)"
  if [ -n "$first" ] && [ -n "$later" ] && [ "$later" -gt "$first" ] && [ "$later" -lt "${max:-0}" ]; then
    ok "$tag progress moves"
  else
    fail "$tag progress moves" "'$first' then '$later'"
  fi

  # After ten steps: found, the port shown, the countdown running.
  local n1= i
  for ((i = 0; i < 30; i++)); do
    n1=$(countdown "$continue")
    [ -n "$n1" ] && break
    sleep 0.5
  done
  if [ -z "$n1" ]; then
    fail "$tag countdown" "no \"$continue( N)\" button; buttons: $(texts "$search" Button | tr '\n' '|')"
    stop_setup 5 >/dev/null
    return
  fi
  labels=$(texts "$search" Static)
  if grep -qxF "${found_fmt/\%s/USB001}" <<<"$labels"; then ok "$tag port found"; else fail "$tag port found" "$labels"; fi
  # The caption as the program writes it ("%s(%2d)"), read again: the
  # countdown may have moved on since it was first read, never up.
  local buttons n2
  buttons=$(texts "$search" Button)
  n2=$(countdown_in "$continue" <<<"$buttons")
  if [ -n "$n2" ] && [ "$n2" -le "$n1" ] && grep -qxF "$(printf '%s(%2d)' "$continue" "$n2")" <<<"$buttons"; then
    ok "$tag countdown caption"
  else
    fail "$tag countdown caption" "$(tr '\n' '|' <<<"$buttons")"
  fi
  if ! screenshot "$search" "$shots/$tag.png" || [ ! -s "$shots/$tag.png" ]; then
    fail "$tag screenshot" "no picture"
  else
    ok "$tag screenshot"
  fi
  local n2
  n2=$(countdown "$continue")
  if [ -n "$n2" ] && [ "$n2" -lt "$n1" ]; then ok "$tag counts down"; else fail "$tag counts down" "$n1 then '$n2'"; fi

  if [ "$1" = en ]; then
    # Nobody presses: at the end of the countdown the dialog goes on by itself.
    expect_dialog_closed "$tag auto" "$main" 13000 "$notice" "Velmar VP-210"
  else
    guidriver key "$search" ENTER
    expect_dialog_closed "$tag enter" "$main" 3000 "$notice" "Velmar VP-210"
  fi
  quit_setup "$tag" "$main"
  unset LC_ALL
}

# Model 1: the connection prompt first; Enter on it starts the search, Escape
# while searching gives it up.
run_prompt() {
  local tag=prompt-en main install infos cancel notice
  export LC_ALL=en_US.UTF-8
  cat_texts en main=StrAppTitle notice=StrNotice install=StrInstallButton infos=StrInfos \
    cancel=StrCancelSearch
  open_setup "$tag start" "$medium" "$main" || return
  guidriver select "$main" 1 && guidriver click "$main" "$install"
  if guidriver wait-window "$infos" 10000; then ok "$tag prompt shown"; else
    fail "$tag prompt shown" "no visible \"$infos\""
    stop_setup 5 >/dev/null
    return
  fi
  if screenshot "$infos" "$shots/$tag.png" && [ -s "$shots/$tag.png" ]; then ok "$tag screenshot"; else
    fail "$tag screenshot" "no picture"; fi
  guidriver key "$infos" ENTER
  if guidriver wait-hidden "$infos" 5000; then ok "$tag enter closes prompt"; else fail "$tag enter closes prompt" "still visible"; fi
  expect_dialog_up "$tag" "$main"
  sleep 2
  if texts "$search" Button | grep -qxF "$cancel"; then ok "$tag cancel offered"; else
    fail "$tag cancel offered" "$(texts "$search" Button | tr '\n' '|')"; fi
  guidriver key "$search" ESCAPE
  expect_dialog_closed "$tag escape" "$main" 3000 "$notice" "Velmar VP-350S"
  quit_setup "$tag" "$main"
  unset LC_ALL
}

installs_driver "Velmar VP-210"
run_found en en_US.UTF-8 en
run_found zh_CN zh_CN.UTF-8 zhs
run_found zh_TW zh_TW.UTF-8 zht
installs_driver "Velmar VP-350S"
run_prompt

finish
