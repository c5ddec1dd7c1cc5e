#!/usr/bin/env bash
# settings: win32 wow64
# The shipped Setup.exe when an installation cannot succeed: every case ends
# with a message and a window that can be used again (or, in automatic mode
# under "/Hide", with the program ending), never with a locked window.
#   every setting: the helper library missing; FuncDrvKit failing with a code;
#                  an automatic install under /Hide without the library
#   deployment:    "/ExitCodes" gives 1603 for a failed unattended install,
#                  3010 for one whose message asks for a restart, 1602 when
#                  the user leaves; "/OutcomeFile=" makes its file and folders
#   WoW64 only:    the sibling missing; the sibling ending at once without a
#                  message, with the window in sight and with it hidden
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit.dll
export LC_ALL=en_US.UTF-8
caption="Printer Installer"
notice=Notice
w=$GUI_WINDOWS

# fresh TAG: a copy of the sample medium, printed.
fresh() {
  local dir=$gui_tmp/medium-$1
  cp -r "$gui_medium" "$dir"
  echo "$dir"
}

# attempt TAG DIR CAPTION TEXT: opens the program, presses Install, says Yes,
# expects a box of CAPTION containing TEXT, and a usable window after it.
attempt() {
  local tag=$1 dir=$2 cap=$3 text=$4 limit=${5:-30000}
  open_setup "$tag start" "$dir" "$caption" || return
  guidriver click "$caption" Install || fail "$tag press" "could not press Install"
  answer "$tag confirmation" "$notice" "Are you sure" Yes
  if guidriver -b wait-window "$cap" "$limit"; then
    answer "$tag outcome" "$cap" "$text" OK
  else
    fail "$tag outcome" "no box within $limit ms"
  fi
  usable "$tag" "$caption"
  guidriver close "$caption"
  guidriver wait-gone "$caption" 10000 || fail "$tag closes" "window stays"
  check "$tag exit code" 0 "$(stop_setup 20)"
}

dir=$(fresh nolib)
rm -f "$dir/i386/drvkit.dll"
attempt "$w-no-library" "$dir" "$caption" "The DLL file is not found!"

dir=$(fresh libfails)
printf '%s\r\n' '[HelperLibrary]' 'InstallResult=3' 'LastErrorCode=5' >"$(helper_dir "$dir")/drvkit-state.ini"
attempt "$w-library-fails" "$dir" "$notice" "Driver install is Failed (0x00000005)."

# Automatic and hidden: the error is shown, then the program ends by itself.
dir=$(fresh autohide)
rm -f "$dir/i386/drvkit.dll"
sed -i 's/^AutoMode=0/AutoMode=1/; s/^QuiteMode=0/QuiteMode=1/' "$dir/install.ini"
start_setup "$dir" /Hide
answer "$w-auto-hidden error" "$caption" "The DLL file is not found!" OK
check "$w-auto-hidden ends" 0 "$(stop_setup 20)"

# deploy_start DIR ARGS...: Setup.exe started by guidriver, which waits for
# it and writes its whole exit code to $gui_tmp/deploy.rc (the shell would
# see only the low eight bits). deploy_code: that code, or "timeout".
deploy_start() {
  local dir=$1
  shift
  rm -f "$gui_tmp/deploy.rc"
  ( (cd "$dir" && exec "$WINE" "$GUIDRIVER" run "Z:${SETUP//\//\\}" "$@") >"$gui_tmp/deploy.rc.new" 2>/dev/null
    mv "$gui_tmp/deploy.rc.new" "$gui_tmp/deploy.rc") &
  deploy_pid=$!
}
deploy_code() {
  local i
  for ((i = 0; i < 600; i++)); do
    [ -s "$gui_tmp/deploy.rc" ] && { tr -d '\r' <"$gui_tmp/deploy.rc"; return; }
    [ -f "$gui_tmp/deploy.rc" ] && { echo "no code"; return; }
    sleep 0.1
  done
  kill "$deploy_pid" 2>/dev/null
  timeout 20 "$WINESERVER" -k >/dev/null 2>&1
  echo timeout
}
outcome_file="$WINEPREFIX/drive_c/deploy logs/$w 1/printer.txt"
rm -rf "$WINEPREFIX/drive_c/deploy logs"

dir=$(fresh deploy-fails)
printf '%s\r\n' '[HelperLibrary]' 'InstallResult=3' 'LastErrorCode=5' >"$(helper_dir "$dir")/drvkit-state.ini"
sed -i 's/^AutoMode=0/AutoMode=1/; s/^QuiteMode=0/QuiteMode=1/' "$dir/install.ini"
deploy_start "$dir" /Hide /ExitCodes "/OutcomeFile=C:\\deploy logs\\$w 1\\printer.txt"
answer "$w-deploy failure box" "$notice" "Driver install is Failed (0x00000005)." OK
check "$w-deploy failure exit code" 1603 "$(deploy_code)"
if grep -qP '\tfailed\t0x00000005\t' "$outcome_file" 2>/dev/null; then
  ok "$w-deploy outcome file with its folders"
else
  fail "$w-deploy outcome file with its folders" "$(cat "$outcome_file" 2>&1)"
fi

dir=$(fresh deploy-success)
sed -i 's/^AutoMode=0/AutoMode=1/; s/^QuiteMode=0/QuiteMode=1/' "$dir/install.ini"
deploy_start "$dir" /Hide /ExitCodes "/OutcomeFile=C:\\deploy logs\\$w 1\\printer.txt"
check "$w-deploy success asking for a restart" 3010 "$(deploy_code)"
check "$w-deploy outcome file keeps both lines" 2 "$(grep -c OUTCOME "$outcome_file" 2>/dev/null)"
guidriver delete-printer "Velmar VP-210" >/dev/null 2>&1

dir=$(fresh deploy-leave)
deploy_start "$dir" /ExitCodes
if guidriver wait-window "$caption" 60000; then
  guidriver close "$caption"
  check "$w-deploy leaving without installing" 1602 "$(deploy_code)"
else
  fail "$w-deploy leaving without installing" "no window"
  deploy_code >/dev/null
fi

if [ "$w" != wow64 ]; then
  # A service that does not come up: the fixed Simplified Chinese notice,
  # readable on this English system, then the success.
  dir=$(fresh service)
  sed -i 's/^SelectPort=1/SelectPort=1\r\nServiceName=NoSuchPrinterService/' "$dir/install.ini"
  open_setup "$w-service start" "$dir" "$caption" && {
    guidriver click "$caption" Install || fail "$w-service press" "could not press Install"
    answer "$w-service confirmation" "$notice" "Are you sure" Yes
    if guidriver -b wait-window "$notice" 60000; then
      shown=$(guidriver -b wtexts "$notice")
      if grep -qF "程序启动服务失败，点击确定后自动重新启动。" <<<"$shown"; then
        ok "$w-service notice in Chinese"
      else
        fail "$w-service notice in Chinese" "shows: $shown"
      fi
      screenshot "$notice" "$shots/service-notice-en.png" -b
      guidriver -b click "$notice" '#1'
    else
      fail "$w-service notice in Chinese" "no box"
    fi
    answer "$w-service success" "$notice" "installed successfully" OK
    usable "$w-service" "$caption"
    guidriver close "$caption"
    guidriver wait-gone "$caption" 10000 || fail "$w-service closes" "window stays"
    check "$w-service exit code" 0 "$(stop_setup 20)"
    guidriver delete-printer "Velmar VP-210" >/dev/null 2>&1
  }
fi

if [ "$w" = wow64 ]; then
  dir=$(fresh nosibling)
  rm -f "$dir/X64/Quenset64.exe"
  attempt "$w-no-sibling" "$dir" "$notice" "Driver install is Failed (0x00000002)."

  # Ends with 0 and no word while the window is in sight: the watchdog.
  dir=$(fresh silent)
  printf '%s\r\n' '[Sibling]' 'ExitSilently=0' >>"$dir/X64/drvkit-state.ini"
  attempt "$w-silent-sibling" "$dir" "$notice" "Driver install is Failed (0x00000001)." 30000

  # The same with the window hidden ("/Hide", Install pressed from outside):
  # the sibling's exit code is reported and the program waits, hidden.
  dir=$(fresh silent-hidden)
  printf '%s\r\n' '[Sibling]' 'ExitSilently=3' >>"$dir/X64/drvkit-state.ini"
  start_setup "$dir" /Hide
  for ((i = 0; i < 60; i++)); do guidriver exists "$caption" 2>/dev/null && break; sleep 0.5; done
  if guidriver exists "$caption" && guidriver wait-hidden "$caption" 1000; then
    ok "$w-hidden window exists unseen"
  else
    fail "$w-hidden window exists unseen" "no hidden main window"
  fi
  guidriver click "$caption" Install || fail "$w-hidden press" "could not press Install"
  answer "$w-hidden confirmation" "$notice" "Are you sure" Yes
  answer "$w-hidden watchdog" "$notice" "Driver install is Failed (0x00000003)." OK
  no_window "$w-hidden stays hidden" "$caption" 2000
  check "$w-hidden still runs" timeout "$(stop_setup 2)"
fi
finish
