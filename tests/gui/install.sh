#!/usr/bin/env bash
# The real Setup.exe under Wine installs the first model of the medium with
# its questions answered through the real message boxes: Yes to the
# confirmation, then the success notice; a second press finds the queue and
# asks about the upgrade, and No ends the attempt without another word. The
# window is usable again after each.
set -uo pipefail
source "$(dirname "$0")/common.bash"
cd "$gui_top"
medium=$gui_top/out/medium
require_file "$medium/X64/drvkit-state.ini" "$medium has no X64 helper-library stand-in (run scripts/assemble-medium.sh)"
gui_setup
export LC_ALL=en_US.UTF-8
caption="Printer Installer"
notice=Notice
model="Velmar VP-210"

# This 64-bit build loads the x64 stand-in; it installs the model's driver.
cp -r "$medium" "$gui_tmp/medium"
medium=$gui_tmp/medium
sed -i 's/^InstallDll2K=i386\\drvkit\.dll/InstallDll2K=X64\\drvkit64.dll/' "$medium/install.ini"
sed -i "/^\\[HelperLibrary\\]/a InstallsDriver=$model\\r" "$medium/X64/drvkit-state.ini"

# The text of the message box that is up, in UTF-8.
box_text() { guidriver -u dump "$notice" | awk -F'\t' '$1 == "control" && $2 == "Static" && $6 != "" { print $6 }' | tail -1; }

# Waits for a notice whose text contains TEXT and presses BUTTON on it.
answer() {  # TAG TEXT BUTTON
  if ! guidriver wait-window "$notice" 30000; then
    fail "$1" "no \"$notice\" box"
    return 1
  fi
  local text
  text=$(box_text)
  if [[ "$text" == *"$2"* ]]; then ok "$1"; else fail "$1" "box says '$text'"; fi
  guidriver click "$notice" "$3" || fail "$1 press" "no button \"$3\""
  # Gone, or replaced by the next box of the same caption.
  local i
  for ((i = 0; i < 50; i++)); do
    guidriver exists "$notice" 2>/dev/null || return 0
    [ "$(box_text)" != "$text" ] && return 0
    sleep 0.1
  done
  fail "$1 gone" "the box stays"
}

usable() {  # TAG
  local dump
  dump=$(guidriver dump "$caption")
  if awk -F'\t' '$1 == "control" && $2 == "Button" && $6 ~ /Install/ { found = 1; exit $3 == 1 ? 0 : 1 } END { if (!found) exit 1 }' <<<"$dump"; then
    ok "$1 install enabled"
  else
    fail "$1 install enabled" "the Install button is not enabled"
  fi
}

open_setup "install start" "$medium" "$caption" || { finish; exit 1; }
guidriver click "$caption" Install || fail "install press" "could not press Install"
answer "install confirmation" "Are you sure to install the driver?" Yes
answer "install success" "installed successfully" OK
if guidriver wait-window "$caption" 5000; then ok "install main back"; else fail "install main back" "not visible"; fi
usable "install"

guidriver click "$caption" Install || fail "upgrade press" "could not press Install"
answer "upgrade confirmation" "Are you sure" Yes
answer "upgrade question" "Do you want to upgrade it?" No
sleep 2
if guidriver wait-window "$notice" 1000 2>/dev/null; then fail "upgrade declined quietly" "another box: $(box_text)"; else
  ok "upgrade declined quietly"; fi
usable "upgrade"

guidriver close "$caption"
if guidriver wait-gone "$caption" 10000; then ok "main closes"; else fail "main closes" "window stays"; fi
check "exit code" 0 "$(stop_setup 20)"
guidriver delete-printer "$model" >/dev/null 2>&1
finish
