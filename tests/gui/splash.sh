#!/usr/bin/env bash
# alone: its captures are timed, so no other suite runs beside it
# The welcome splash of the Pellacor program under Wine, in the three
# languages: the splash comes up with the banner and the "Loading" line, its
# pictures appear one after another (window captures at about 0.9 s and
# 3.3 s, kept in out/screenshots/ with the main window after it), the main
# window is there but transparent meanwhile, and opaque once the splash has
# gone. The Velmar program, and the Pellacor one with "/Hide", never show it.
set -uo pipefail
source "$(dirname "$0")/common.bash"
SETUP=$gui_out-pellacor/Setup.exe
velmar=$gui_out/Setup.exe
cd "$gui_top"
require_file "$velmar" "$velmar is not built"
mkdir -p "$shots"
medium=$gui_medium
[ -f "$medium/install.ini" ] || medium=$gui_top/samples/medium
gui_setup

# The X window of the visible splash, waited for up to 60 s; empty if none.
splash_window() {
  local i id
  for ((i = 0; i < 1200; i++)); do
    id=$(xdotool search --onlyvisible --name '^Welcome$' 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.05
  done
}

# Milliseconds since $t0 (milliseconds since the epoch); sleeps until MS after it.
elapsed() { echo $(($(date +%s%3N) - t0)); }
sleep_until() {
  local ms=$(($1 - $(elapsed)))
  if [ "$ms" -gt 0 ]; then sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"; fi
}

# Whether the picture at window offset X,Y of size WxH is drawn in CAPTURE:
# the splash's panel is white where no picture is.
drawn() {  # CAPTURE W H X Y
  local mean
  mean=$(convert "$1" -crop "$2x$3+$4+$5" +repage -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
  [ -n "$mean" ] && awk -v m="$mean" 'BEGIN { exit !(m < 0.95) }'
}
# Which of the four pictures CAPTURE shows, e.g. "1100". The window has a
# one-pixel border; the panel's top is at 208 in the client area.
pictures_in() {
  local out="" area
  for area in 80x53+57+233 100x67+177+225 80x69+313+225 70x73+457+225; do
    IFS='x+' read -r w h x y <<<"$area"
    if drawn "$1" "$w" "$h" "$x" "$y"; then out+=1; else out+=0; fi
  done
  echo "$out"
}

# A label of the splash by its place (client X,Y), and how many of its
# pictures (the texts-less statics) are visible, from a dump.
label_at() { awk -F'\t' -v at="$2," '$1 == "control" && index($5, at) == 1 { print $6; exit }' "$1"; }
shown_of() { awk -F'\t' '$1 == "control" && $2 == "Static" && $6 == "" && $4 == 1 { n++ } END { print n + 0 }' "$1"; }

run_language() {  # TAG LOCALE MAIN_CAPTION BANNER LOADING
  local tag=$1 main=$3 banner=$4 loading=$5
  export LC_ALL=$2
  start_setup "$medium"
  local id
  id=$(splash_window)
  t0=$(date +%s%3N)
  if [ -z "$id" ]; then
    fail "splash-$tag shown" "no visible window \"Welcome\""
    stop_setup 5 >/dev/null
    unset LC_ALL
    return
  fi
  ok "splash-$tag shown"

  sleep_until 900
  import -window "$id" "$shots/splash-$tag-0.9s.png" 2>/dev/null
  local first
  first=$(pictures_in "$shots/splash-$tag-0.9s.png")
  # The first picture only (the second may just be coming at 1.6 s).
  case $first in 1000 | 1100) ok "splash-$tag pictures at 0.9 s" ;;
    *) fail "splash-$tag pictures at 0.9 s" "drawn: $first" ;; esac
  # Meanwhile the main window is there, fully transparent.
  guidriver wait-window "$main" 5000 >/dev/null
  check "splash-$tag main window transparent" "1 on 0" "$(guidriver alpha "$main")"
  local dump=$gui_tmp/splash-$tag.txt
  guidriver -u dump Welcome >"$dump"
  check "splash-$tag banner" "$banner" "$(label_at "$dump" 8,32)"

  sleep_until 3300
  import -window "$id" "$shots/splash-$tag-3.3s.png" 2>/dev/null
  local second
  second=$(pictures_in "$shots/splash-$tag-3.3s.png")
  case $second in 1110 | 1111) ok "splash-$tag pictures at 3.3 s" ;;
    *) fail "splash-$tag pictures at 3.3 s" "drawn: $second" ;; esac

  # The splash goes at 4.0 s: hidden, its last state kept.
  if guidriver wait-hidden Welcome 8000; then
    local gone
    gone=$(elapsed)
    if [ "$gone" -ge 3500 ] && [ "$gone" -lt 8000 ]; then
      ok "splash-$tag hides at 4 s"
    else
      fail "splash-$tag hides at 4 s" "after $gone ms"
    fi
  else
    fail "splash-$tag hides at 4 s" "still visible"
  fi
  guidriver -u dump Welcome >"$dump"
  check "splash-$tag loading line" "$loading . . . ." "$(label_at "$dump" 216,160)"
  check "splash-$tag all pictures" 4 "$(shown_of "$dump")"
  check "splash-$tag main window opaque" "1 off" "$(guidriver alpha "$main")"
  if screenshot "$main" "$shots/splash-$tag-main.png" && [ -s "$shots/splash-$tag-main.png" ]; then
    ok "splash-$tag main screenshot"
  else
    fail "splash-$tag main screenshot" "no picture"
  fi
  guidriver close "$main"
  check "splash-$tag exit code" 0 "$(stop_setup 20)"
  unset LC_ALL
}

run_language en en_US.UTF-8 "Printer Installer" "Welcome To Use Pellacor Printer" "Loading"
run_language zh_CN zh_CN.UTF-8 "打印机安装程序" '欢迎使用Pellacor\r\n打印机产品' "正在启动"
run_language zh_TW zh_TW.UTF-8 "印表機安裝程式" '歡迎使用Pellacor\r\n印表機產品' "正在啟動"

# No splash where it has no place: the Velmar program (its main window opaque
# from the start) and the Pellacor one with "/Hide".
no_splash() {  # NAME
  local i seen=0
  for i in 1 2 3 4 5 6 7 8 9 10; do
    if xdotool search --onlyvisible --name '^Welcome$' >/dev/null 2>&1; then seen=1; fi
    sleep 0.5
  done
  if [ "$seen" = 0 ] && ! guidriver exists Welcome 2>/dev/null; then ok "$1"; else fail "$1" "a splash"; fi
}
pellacor=$SETUP
SETUP=$velmar
if open_setup "velmar window" "$medium" "Printer Installer"; then
  ok "velmar window"
  check "velmar main window opaque" "1 on 255" "$(guidriver alpha "Printer Installer")"
  no_splash "velmar no splash"
  guidriver close "Printer Installer"
  check "velmar exit code" 0 "$(stop_setup 20)"
fi
SETUP=$pellacor
start_setup "$medium" /Hide
no_splash "hide no splash"
stop_setup 0 >/dev/null

finish
