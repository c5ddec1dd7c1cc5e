#!/usr/bin/env bash
# settings: win32 wow64 x64
# The shipped Setup.exe installs the first model of the sample medium through
# the real message boxes: Yes to the confirmation, then the success notice.
# On a 32-bit Windows the helper library installs in process (in the three
# languages); under WoW64 the program hands off to the x64 sibling, which
# answers the window (English). The result is checked from outside: the queue
# with its driver, port and print processor, the default printer, the helper
# library's call log and the program's debug lines. A second press finds the
# queue: No to the upgrade ends quietly; Yes must replace it, which Wine's
# spooler cannot (the old queue cannot be set offline), and that is reported.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit.dll
model="Velmar VP-210"

if [ "$GUI_WINDOWS" = wow64 ]; then langs="en"; else langs="en zh_CN zh_TW"; fi
for lang in $langs; do
  case $lang in
    en) export LC_ALL=en_US.UTF-8; caption="Printer Installer"; notice=Notice; btn=Install
        confirm="Are you sure to install the driver?"; success="installed successfully"
        upgrade="Do you want to upgrade it?"; failed="Driver install is Failed (0x" ;;
    zh_CN) export LC_ALL=zh_CN.UTF-8; caption="打印机安装程序"; notice="注意"; btn="开始安装"
        confirm="USB"; success="已成功安装到"; upgrade="是否立刻执行此更新操作"
        failed="打印机驱动程序安装过程中出错(0x" ;;
    zh_TW) export LC_ALL=zh_TW.UTF-8; caption="印表機安裝程式"; notice="注意"; btn="開始安裝"
        confirm="USB"; success="已經成功安裝到"; upgrade="是否立刻執行此更新操作"
        failed="印表機驅動程式安裝過程中發生(0x" ;;
  esac
  t="$GUI_WINDOWS-$lang"
  medium=$gui_tmp/medium-$lang
  cp -r "$gui_medium" "$medium"
  helper=$(helper_dir "$medium")
  : >"$gui_tmp/debug.log"

  open_setup "$t start" "$medium" "$caption" || continue
  guidriver click "$caption" "$btn" || fail "$t press" "could not press Install"
  answer "$t confirmation" "$notice" "$confirm" Yes
  guidriver -b wait-window "$notice" 30000 && sleep 1 &&
    screenshot "$notice" "$shots/install-$t-success.png" -b
  answer "$t success" "$notice" "$success" OK
  usable "$t after install" "$caption"

  # From outside: the queue, its driver, port, processor and the default role.
  info=$(guidriver -u printer "$model" | tr -d '\r')
  check "$t queue driver" "driver=$model" "$(grep '^driver=' <<<"$info")"
  check "$t queue processor" "processor=WinPrint" "$(grep '^processor=' <<<"$info")"
  check "$t default printer" "default=1" "$(grep '^default=' <<<"$info")"
  port=$(sed -n 's/^port=//p' <<<"$info")
  if [ -n "$port" ]; then ok "$t queue port $port"; else fail "$t queue port" "no port"; fi
  calls=$(tr -d '\r' <"$helper/drvkit-calls.log" 2>/dev/null)
  if [ "$GUI_WINDOWS" = wow64 ]; then
    # The sibling, started in its folder with the fixed command line.
    if grep -qE '^Quenset64\(X64\\Quenset64\.exe /Handle [0-9]+ /Dll "drvkit64\.dll" /Inf "\.\.\\VP210\.inf" /HWID [^ ]+\) in .*\\X64$' <<<"$calls"; then
      ok "$t sibling command line"
    else
      fail "$t sibling command line" "call log: $(grep Quenset64 <<<"$calls")"
    fi
  fi
  if grep -qE '^FuncDrvKit\(.*VP210\.inf, .+, USB001, [0-9]+\)$' <<<"$calls"; then
    ok "$t library installed on USB001"
  else
    fail "$t library installed on USB001" "call log: $(grep FuncDrvKit <<<"$calls")"
  fi
  dbg=$(debug_lines)
  if grep -qF "INF的PrinterName为$model" <<<"$dbg" && grep -qF "Install PrinterName 为($model)" <<<"$dbg"; then
    ok "$t debug lines"
  else
    fail "$t debug lines" "got: $(head -c 400 <<<"$dbg")"
  fi

  # A second press: the queue is there. No to the upgrade ends quietly.
  guidriver click "$caption" "$btn" || fail "$t press again" "could not press Install"
  answer "$t again confirmation" "$notice" "$confirm" Yes
  answer "$t upgrade question" "$notice" "$upgrade" No
  no_box "$t upgrade declined quietly" "$notice"
  usable "$t after declining" "$caption"

  # Yes: Wine cannot delete the old queue; the failure is reported with its code.
  guidriver click "$caption" "$btn" || fail "$t press thrice" "could not press Install"
  answer "$t third confirmation" "$notice" "$confirm" Yes
  answer "$t upgrade accepted" "$notice" "$upgrade" Yes
  answer "$t old queue not deleted" "$notice" "$failed" OK
  usable "$t after the failed upgrade" "$caption"

  guidriver close "$caption"
  if guidriver wait-gone "$caption" 10000; then ok "$t closes"; else fail "$t closes" "window stays"; fi
  check "$t exit code" 0 "$(stop_setup 20)"
  guidriver delete-printer "$model" >/dev/null 2>&1
done
finish
