#!/usr/bin/env bash
# The real Setup.exe under Wine: a double-click on the printer panel opens the
# diagnostics form only when the debug marker d:\Debug existed at start-up.
# In the form, BtnReadIni lists the INF of every model and its close button
# returns to the main window.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start install.ini
export LC_ALL=en_US.UTF-8
caption="Printer Installer"
form=FormTest
# A point of the printer panel beside the model group (client coordinates).
panel_x=10 panel_y=200

# Drive d: of the prefix, with or without the marker file.
drive_d=$gui_tmp/drive-d
mkdir -p "$drive_d"
ln -sfn "$drive_d" "$WINEPREFIX/dosdevices/d:"

run_case() {  # TAG MARKER(0/1)
  local tag=$1
  rm -f "$drive_d/Debug"
  [ "$2" = 1 ] && : >"$drive_d/Debug"
  open_setup "$tag window" "$medium" "$caption" || return
  guidriver dblclick "$caption" "$panel_x" "$panel_y"
  if [ "$2" = 0 ]; then
    no_window "$tag no form" "$form" 3000
  elif guidriver wait-window "$form" 10000; then
    ok "$tag form opens"
    guidriver click "$form" BtnReadIni
    local text want
    text=$(guidriver -u dump "$form" | awk -F'\t' '$1 == "control" && $2 ~ /RichEdit/ { print $6 }')
    want=$(tr -d '\r' <"$medium/install.ini" | sed -n 's/^InstallSettingFile2K=//p' | tr '\n' ' ')
    local missing=
    for inf in $want; do grep -qF "$inf" <<<"$text" || missing="$missing $inf"; done
    if [ -z "$missing" ] && [ -n "$want" ]; then ok "$tag inf list"; else fail "$tag inf list" "missing$missing in '$text'"; fi
    guidriver click "$form" "Close"
    if guidriver wait-hidden "$form" 5000; then ok "$tag form closes"; else fail "$tag form closes" "still visible"; fi
  else
    fail "$tag form opens" "no visible \"$form\""
  fi
  guidriver close "$caption"
  if guidriver wait-gone "$caption" 10000; then ok "$tag main closes"; else fail "$tag main closes" "window stays"; fi
  check "$tag exit code" 0 "$(stop_setup 20)"
}

run_case plain 0
run_case debug 1
finish
