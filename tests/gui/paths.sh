#!/usr/bin/env bash
# settings: win32 x64
# A medium unpacked into a folder whose path has blanks and Chinese
# characters, Setup.exe run from it, on a Chinese system of either script
# (the program's code page 936 or 950 holds the folder names; in Big5 the
# second bytes of 許 and 功 are that of a backslash). A whole
# installation: the queue read back, the helper library, the control and
# devcon taken from the medium. Then one whose service cannot start: its
# program on the medium registers it and the medium's Setup.bat runs after
# the notice. The stand-ins of sc and net sit in the prefix's system folder.
# A program in the folder above, named after the first word after a blank,
# is what an unquoted path would start instead: it must not run.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit.dll
standins=${STANDINS:-$gui_out/standins}
for f in sc.exe net.exe PrnSvc.exe planted.exe; do
  require_file "$standins/$f" "$standins/$f is not built"
done
# Preferred to Wine's own, as plant.sh does.
cp "$standins/sc.exe" "$standins/net.exe" "$WINEPREFIX/drive_c/windows/system32/"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;sc.exe,net.exe,PrnSvc.exe=n,b"
model="Velmar VP-210"
exe=$SETUP
marks=$WINEPREFIX/drive_c/planted.log
ocxlog=$WINEPREFIX/drive_c/windows/system32/WebPrnCtl.ocx.log

# ansi CODEPAGE TEXT: TEXT in the bytes a program of that code page reads.
ansi() { python3 -c 'import sys; sys.stdout.buffer.write(sys.argv[2].encode(sys.argv[1]))' "$1" "$2"; }
# utf8 CODEPAGE FILE: what a program of that code page wrote, in UTF-8.
utf8() { python3 -c 'import sys; print(open(sys.argv[2], "rb").read().decode(sys.argv[1], "replace").strip())' "$1" "$2" 2>/dev/null; }

for lang in zh_CN zh_TW; do
  case $lang in
    zh_CN) export LC_ALL=zh_CN.UTF-8; cp=gbk; top="打印机 安装"; sub="Velmar Drivers 驱动"
        caption="打印机安装程序"; btn="开始安装"; success="已成功安装到" ;;
    zh_TW) export LC_ALL=zh_TW.UTF-8; cp=cp950; top="印表機 安裝"; sub="Velmar Drivers 驅動 許功"
        caption="印表機安裝程式"; btn="開始安裝"; success="已經成功安裝到" ;;
  esac
  notice="注意"
  t="$GUI_WINDOWS-$lang"
  medium="$WINEPREFIX/drive_c/$top/$sub"
  win="C:\\$top\\$sub"
  mkdir -p "$(dirname "$medium")"
  cp -r "$gui_medium" "$medium"
  cp "$exe" "$medium/Setup.exe"
  SETUP=$medium/Setup.exe
  helper=$(helper_dir "$medium")
  planted="$WINEPREFIX/drive_c/$top/Velmar.exe"
  cp "$standins/planted.exe" "$planted"
  rm -f "$marks"
  timeout 60 "$WINE" "$planted" >/dev/null 2>&1
  if grep -q 'Velmar\.exe' "$marks" 2>/dev/null; then ok "$t probe marks"; else fail "$t probe marks" "no line from $planted"; fi
  rm -f "$marks"

  # A whole installation, plain.
  : >"$gui_tmp/debug.log"
  rm -f "$ocxlog" "$WINEPREFIX/drive_c/windows/system32/WebPrnCtl.ocx"
  if open_setup "$t start" "$medium" "$caption"; then
    guidriver click "$caption" "$btn" || fail "$t press" "could not press Install"
    answer "$t confirmation" "$notice" "USB" Yes
    answer "$t success" "$notice" "$success" OK
    usable "$t after install" "$caption"
    info=$(guidriver -u printer "$model" | tr -d '\r')
    check "$t queue driver" "driver=$model" "$(grep '^driver=' <<<"$info")"
    port=$(sed -n 's/^port=//p' <<<"$info")
    if [ -n "$port" ]; then ok "$t queue port $port"; else fail "$t queue port" "no port"; fi
    calls=$(tr -d '\r' <"$helper/drvkit-calls.log" 2>/dev/null)
    if grep -qE '^FuncDrvKit\(.*VP210\.inf, .+, USB001, [0-9]+\)$' <<<"$calls"; then
      ok "$t library from the medium installed"
    else
      fail "$t library from the medium installed" "call log: $calls"
    fi
    # The control is copied from the medium into the system folder and
    # registered there.
    if grep -q '^DllRegisterServer' "$ocxlog" 2>/dev/null; then
      ok "$t control from the medium registered"
    else
      fail "$t control from the medium registered" "no line in $ocxlog"
    fi
    # The rescan answers 1 only when the medium's devcon printed its reply.
    dbg=$(debug_lines)
    if grep -qxF "刷新系统硬件返回值为1" <<<"$dbg"; then
      ok "$t devcon from the medium"
    else
      fail "$t devcon from the medium" "debug: $(grep -F 刷新系统硬件 <<<"$dbg")"
    fi
    guidriver close "$caption"
    guidriver wait-gone "$caption" 10000 || fail "$t closes" "window stays"
    check "$t exit code" 0 "$(stop_setup 20)"
  fi
  guidriver delete-printer "$model" >/dev/null 2>&1

  # A service that never starts, its program on the medium: the program
  # registers it, starts it twice in vain, shows the notice, runs Setup.bat.
  service=$(ansi "$cp" "$win\\i386\\PrnSvc.exe")
  cp "$standins/PrnSvc.exe" "$medium/i386/"
  python3 - "$medium/install.ini" "$service" <<'EOF'
import os, sys
path, exe = sys.argv[1], os.fsencode(sys.argv[2])
data = open(path, "rb").read()
assert b"SelectPort=1\r\n" in data, "the first model has no SelectPort line"
data = data.replace(b"SelectPort=1\r\n", b"SelectPort=1\r\nServiceName=PrnSvc\r\nServiceExe=" + exe + b"\r\n", 1)
open(path, "wb").write(data)
EOF
  { printf 'PrnSvc|0|0|-1|0|'; printf '%s\n' "$service"; } >"$medium/services.state"
  printf '@echo off\r\necho %%~f0>"%%~dp0setup-bat.ran"\r\n' >"$medium/Setup.bat"
  if open_setup "$t-service start" "$medium" "$caption"; then
    guidriver click "$caption" "$btn" || fail "$t-service press" "could not press Install"
    answer "$t-service confirmation" "$notice" "USB" Yes
    # The fixed GBK notice, read in UTF-16 (a Big5 system cannot say it in ANSI).
    if guidriver -b wait-window "$notice" 60000 &&
      grep -qF "程序启动服务失败" <<<"$(guidriver -b wtexts "$notice")"; then
      ok "$t-service notice"
    else
      fail "$t-service notice" "shows: $(guidriver -b wtexts "$notice")"
    fi
    guidriver -b click "$notice" '#1'
    answer "$t-service success" "$notice" "$success" OK
    usable "$t-service after install" "$caption"
    check "$t-service registered by its program, not running" "1 0" \
      "$(tr -d '\r' <"$medium/services.state" 2>/dev/null | awk -F'|' '$1 == "PrnSvc" { print $2, $3 }')"
    for ((i = 0; i < 100; i++)); do [ -s "$medium/setup-bat.ran" ] && break; sleep 0.1; done
    check "$t-service Setup.bat from the medium" "$win\\Setup.bat" \
      "$(utf8 "$cp" "$medium/setup-bat.ran")"
    guidriver close "$caption"
    guidriver wait-gone "$caption" 10000 || fail "$t-service closes" "window stays"
    check "$t-service exit code" 0 "$(stop_setup 20)"
  fi
  guidriver delete-printer "$model" >/dev/null 2>&1
  if [ -s "$marks" ]; then
    fail "$t nothing else ran" "$(utf8 "$cp" "$marks" | tr -d '\r' | sort -u | tr '\n' ' ')"
  else
    ok "$t nothing else ran"
  fi
done
finish
