#!/usr/bin/env bash
# The real Setup.exe under Wine on damaged copies of the medium: no install.ini,
# an install.ini of binary garbage, and one of 10 MB. Each time the main window
# comes up listing what the simulated program lists for the same medium, and
# closing it ends the program with exit code 0 (no crash, no hang).
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start install.ini
export LC_ALL=en_US.UTF-8
caption="Printer Installer"

# make_medium TAG: a copy of the medium in the temp folder, printed.
make_medium() {
  local dir=$gui_tmp/medium-$1
  cp -r "$medium" "$dir"
  echo "$dir"
}

run_medium() {  # TAG DIR
  local tag=$1 dir=$2 want got
  # What the simulated program lists for the same files.
  want=$("$gui_top/out/host/setup-sim" --medium "$dir" --dump | grep -F 'TMainForm.LvPrinters.Items[' |
         sort -t'[' -k2 -n | cut -d= -f2-)
  open_setup "bad-$tag window" "$dir" "$caption" || return
  ok "bad-$tag window"
  got=$(guidriver -u dump "$caption" | awk -F'\t' '$1 == "item" && $2 == "SysListView32" { print $5 }')
  check "bad-$tag model list" "$want" "$got"
  guidriver close "$caption"
  if guidriver wait-gone "$caption" 10000; then ok "bad-$tag closes"; else fail "bad-$tag closes" "window stays"; fi
  check "bad-$tag exit code" 0 "$(stop_setup 20)"
}

dir=$(make_medium noini)
rm -f "$dir/install.ini"
run_medium noini "$dir"

# The same bytes every run.
dir=$(make_medium garbage)
python3 -c 'import random, sys; r = random.Random(5); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(65536)))' \
  >"$dir/install.ini"
run_medium garbage "$dir"

# The real sections, then 10 MB of filler lines in a section of their own.
dir=$(make_medium huge)
{
  cat "$medium/install.ini"
  echo "[Filler]"
  yes "Filler=$(printf '%0100d' 0)" | head -c $((10 * 1024 * 1024))
  echo
} >"$dir/install.ini"
run_medium huge "$dir"

finish
