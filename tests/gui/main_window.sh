#!/usr/bin/env bash
# settings: win32 x64
# The real Setup.exe under Wine on a virtual display, in the three languages:
# the main window comes up, its controls show the texts and states that the
# simulated program shows for the same language, the texts are the code
# page's bytes, a screenshot is kept in out/screenshots/, and closing the
# window ends the program with exit code 0. Then "/Hide" keeps it unseen.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start install.ini

# What the simulated program shows for a language: its --dump in UTF-8.
sim_dump() {  # LANGID FILE
  printf '[System]\nLangID=%s\n' "$1" >"$gui_tmp/machine.ini"
  "$gui_top/out/host/setup-sim" --machine "$gui_tmp/machine.ini" --medium "$medium" --dump >"$2"
}
sim() { grep -m1 -F "$1=" "$sim_file" | cut -d= -f2-; }

# Class, enabled and visible of the control whose text is TEXT in a dump.
state_of() {  # DUMP TEXT
  awk -F'\t' -v t="$2" '$1 == "control" && $6 == t { print $2, $3, $4; found = 1; exit }
                        END { if (!found) print "missing" }' "$1"
}

run_language() {  # TAG LOCALE LANGID CHARSET
  local tag=$1 loc=$2 langid=$3 charset=$4
  sim_file=$gui_tmp/sim-$tag.txt
  if ! sim_dump "$langid" "$sim_file"; then
    fail "main-$tag sim" "setup-sim --dump failed"
    return
  fi
  local caption
  caption=$(sim TMainForm.Caption)
  [ "$tag" = en ] && check "main-en caption" "Printer Installer" "$caption"

  export LC_ALL=$loc
  open_setup "main-$tag window" "$medium" "$caption" || return
  ok "main-$tag window"
  local dump=$gui_tmp/dump-$tag.txt raw=$gui_tmp/raw-$tag.txt
  guidriver -u dump "$caption" >"$dump"
  guidriver dump "$caption" >"$raw"

  # The program holds the code page's bytes, not UTF-8.
  local want_bytes got_bytes
  want_bytes=$(printf '%s' "$caption" | iconv -f UTF-8 -t "$charset" | od -An -tx1 | tr -d ' \n')
  got_bytes=$(awk -F'\t' '$1 == "window" { printf "%s", $6 }' "$raw" | od -An -tx1 | tr -d ' \n')
  check "main-$tag caption bytes ($charset)" "$want_bytes" "$got_bytes"

  local name prop class
  for spec in LblMainTitle:Caption:Static LblReadGuide:Caption:Static LblReadManual:Caption:Static \
              lblReadQuickGuide:Caption:Static GrpBoxPrinters:Caption:Button BbtnStart:Caption:Button \
              BbtnExit:Caption:Button EdtInfos:Text:Edit StaBarInfo:Text:msctls_statusbar32; do
    IFS=: read -r name prop class <<<"$spec"
    check "main-$tag $name" "$class $(sim "TMainForm.$name.Enabled") $(sim "TMainForm.$name.Visible")" \
          "$(state_of "$dump" "$(sim "TMainForm.$name.$prop")")"
  done

  # The model list: the same names, the same one selected.
  local want_items got_items i=0 selected
  selected=$(sim TMainForm.LvPrinters.ItemIndex)
  want_items=$(grep -F 'TMainForm.LvPrinters.Items[' "$sim_file" | sort -t'[' -k2 -n | cut -d= -f2- |
               while IFS= read -r item; do
                 printf '%s %s %s\n' "$i" "$([ "$i" = "$selected" ] && echo 1 || echo 0)" "$item"
                 i=$((i + 1))
               done)
  got_items=$(awk -F'\t' '$1 == "item" && $2 == "SysListView32" { print $3, $4, $5 }' "$dump")
  check "main-$tag model list" "$want_items" "$got_items"

  if screenshot "$caption" "$shots/main-$tag.png" && [ -s "$shots/main-$tag.png" ]; then
    ok "main-$tag screenshot"
  else
    fail "main-$tag screenshot" "no picture"
  fi

  guidriver close "$caption"
  if guidriver wait-gone "$caption" 10000; then ok "main-$tag closes"; else fail "main-$tag closes" "window stays"; fi
  check "main-$tag exit code" 0 "$(stop_setup 20)"
  unset LC_ALL
}

run_language en en_US.UTF-8 0x0409 ASCII
run_language zh_CN zh_CN.UTF-8 0x0804 GBK
run_language zh_TW zh_TW.UTF-8 0x0404 BIG5

# "/Hide" with no automatic model: nothing is shown and the program waits
# until it is ended from outside.
start_setup "$medium" /Hide
sleep 5
if kill -0 "$setup_pid" 2>/dev/null; then ok "hide keeps running"; else fail "hide keeps running" "ended"; fi
no_window "hide shows nothing" "Printer Installer" 1000
stop_setup 0 >/dev/null

finish
