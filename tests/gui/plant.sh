#!/usr/bin/env bash
# settings: win32 x64
# Nothing planted beside Setup.exe or in its current directory is loaded or
# run. A DLL that writes a marker line to C:\planted.log is put under the name
# of every DLL the program loads that the system does not pin to its own
# folder (the names come from a first run under WINEDEBUG=+loaddll), and a
# program that writes one under the names sc.exe, net.exe and cmd.exe; Wine
# is told to prefer such files to its own (native first, as Windows would
# take a DLL from the program's folder). A whole installation with a service
# then runs: the stand-ins of sc, net and the service program sit in the
# prefix's system folder, where the installer must find them. No marker may
# appear; that the planted files do write one is checked first.
set -uo pipefail
source "$(dirname "$0")/common.bash"
gui_start i386/drvkit.dll
# The planted DLL and program, and the service stand-ins, of the build under test.
standins=${STANDINS:-$gui_out/standins}
for f in planted.dll planted.exe sc.exe net.exe PrnSvc.exe; do
  require_file "$standins/$f" "$standins/$f is not built"
done
model="Velmar VP-210" caption="Printer Installer" notice=Notice btn=Install
export LC_ALL=en_US.UTF-8
t=$GUI_WINDOWS
marks=$WINEPREFIX/drive_c/planted.log
system=$WINEPREFIX/drive_c/windows/system32

# A medium in a folder with a blank in its name, the program under test on it.
medium="$gui_tmp/plant medium"
cp -r "$gui_medium" "$medium"
cp "$SETUP" "$medium/Setup.exe"
SETUP=$medium/Setup.exe
# The model names a service; its program is in the system folder.
sed -i 's/^SelectPort=1\r\?$/SelectPort=1\r\nServiceName=PrnSvc\r\nServiceExe=C:\\windows\\system32\\PrnSvc.exe\r\nForceUninstallService=1\r/' \
  "$medium/install.ini"
cp "$standins/sc.exe" "$standins/net.exe" "$standins/PrnSvc.exe" "$system/"
# The stand-ins' service table, in the current directory: known, not installed.
printf 'PrnSvc|0|0|0|0|C:\\windows\\system32\\PrnSvc.exe\n' >"$medium/services.state"

# The DLLs the program loads, from a run that opens the window and closes it.
( cd "$medium" && WINEDEBUG=-all,+loaddll exec "$WINE" "$SETUP" ) >/dev/null 2>"$gui_tmp/loaddll.log" &
setup_pid=$!
if guidriver wait-window "$caption" 60000; then
  guidriver close "$caption"
fi
wait "$setup_pid"
setup_pid=
# Not planted: the DLLs the system pins to its own folder (KnownDLLs and
# what they import), and Wine's own pieces that no Windows has (its display
# driver, the zlib its builtin DLLs use).
pinned=" ntdll kernel32 kernelbase win32u user32 gdi32 advapi32 shell32 comdlg32 msvcrt ucrtbase version "
pinned+=" ole32 oleaut32 rpcrt4 sechost combase shlwapi shcore imm32 winex11 zlib1 "
# Wine departs here: its uxtheme.dll delay-loads msimg32.dll through the
# process's first search path (program folder first), past the program's
# SetDefaultDllDirectories; that is Wine's own loader, not the program.
pinned+=" msimg32 "
dlls=()
while read -r dll; do
  base=${dll%.*}
  [[ "$pinned" == *" $base "* ]] || dlls+=("$dll")
done < <(sed -n 's/.*Loaded L"[^"]*\\\([^\\"]*\.\(dll\|drv\)\)" at .*/\1/Ip' "$gui_tmp/loaddll.log" | tr 'A-Z' 'a-z' | sort -u)
for want in winspool.drv comctl32.dll riched20.dll; do
  if [[ " ${dlls[*]} " == *" $want "* ]]; then ok "$t loads $want"; else fail "$t loads $want" "not in the +loaddll run: ${dlls[*]}"; fi
done

# Planted beside the program (the medium, also the current directory of the
# installation) and in another current directory, preferred by Wine.
cwd=$gui_tmp/cwd
mkdir -p "$cwd"
overrides="mscoree,mshtml="
for dir in "$medium" "$cwd"; do
  for dll in "${dlls[@]}"; do cp "$standins/planted.dll" "$dir/$dll"; done
  for exe in sc net cmd; do cp "$standins/planted.exe" "$dir/$exe.exe"; done
done
for dll in "${dlls[@]}"; do overrides+=";${dll%.dll}=n,b"; done
overrides+=";sc.exe,net.exe,cmd.exe,PrnSvc.exe=n,b"
export WINEDLLOVERRIDES=$overrides

# The probe works: a planted program run by its path leaves its line.
rm -f "$marks"
timeout 60 "$WINE" "$cwd/sc.exe" >/dev/null 2>&1
if grep -qi 'cwd\\sc\.exe' "$marks" 2>/dev/null; then ok "$t probe marks"; else fail "$t probe marks" "no line from the planted sc.exe"; fi
rm -f "$marks"

# A whole installation from the medium (the program reads its install.ini
# and tools from the current directory), with the service.
: >"$gui_tmp/debug.log"
if open_setup "$t start" "$medium" "$caption"; then
  ok "$t start"
  guidriver click "$caption" "$btn" || fail "$t press" "could not press Install"
  answer "$t confirmation" "$notice" "Are you sure to install the driver?" Yes
  answer "$t success" "$notice" "installed successfully" OK
  usable "$t after install" "$caption"
  guidriver close "$caption"
  guidriver wait-gone "$caption" 10000 || fail "$t closes" "window stays"
  check "$t exit code" 0 "$(stop_setup 20)"
fi
# The service went through the system folder's sc: installed and running.
check "$t service installed and running" "1 1" \
  "$(tr -d '\r' <"$medium/services.state" 2>/dev/null | awk -F'|' '$1 == "PrnSvc" { print $2, $3 }')"

# Started from another folder, the program shows its window and ends.
if open_setup "$t start elsewhere" "$cwd" "$caption"; then
  ok "$t start elsewhere"
  guidriver close "$caption"
  check "$t elsewhere exit code" 0 "$(stop_setup 20)"
fi
setup_pid=

if [ -s "$marks" ]; then
  fail "$t nothing planted ran" "$(tr -d '\r' <"$marks" | sort -u | tr '\n' ' ')"
else
  ok "$t nothing planted ran (${dlls[*]} sc.exe net.exe cmd.exe)"
fi
guidriver delete-printer "$model" >/dev/null 2>&1
finish
