#!/usr/bin/env bash
# setup-sim and setup-lint from the command line, as a release engineer runs
# them: the end state after a scripted run, faults from the machine file,
# "/Hide" with an automatic model, the readers refusing bad input, --strict
# for a CI job, and the linter's exit codes on a clean and on broken media.
# SETUP_SIM and SETUP_LINT choose the programs (default out/host/...).
set -uo pipefail
cd "$(dirname "$0")/../.."
SIM=${SETUP_SIM:-out/host/setup-sim}
LINT=${SETUP_LINT:-out/host/setup-lint}
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
medium=$tmp/medium
cp -r samples/medium "$medium"
mkdir -p "$medium/i386" "$medium/X64"
for f in i386/drvkit.dll i386/devcon.exe X64/drvkit64.dll X64/devcon.exe X64/Quenset64.exe; do : >"$medium/$f"; done
cat >"$tmp/usb.ini" <<'INI'
[Spooler]
Ports=LPT1:,USB001,FILE:
[HandOff64]
InstallsDriver=Velmar VP-210
[Device.1]
HardwareId=USBPRINT\VelmarVP-2104E1A
DeviceId=USBPRINT\VELMARVP-2104E1A\7&1A2B3C4D&0&USB001
PortInfo=Virtual printer port for USB001
INI
echo 'press TMainForm.BbtnStart' >"$tmp/press.txt"

# The end state after a scripted installation.
out=$("$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/press.txt" --dump)
check "--dump with --user prints the queue, its port and processor" \
  'grep -qx "System.Printer\[0\].Port=USB001" <<<"$out" && grep -qx "System.Printer\[0\].PrintProcessor=WinPrint" <<<"$out"'
check "... the default printer and the helper library's calls" \
  'grep -qx "System.DefaultPrinter=Velmar VP-210" <<<"$out" && grep -q "^System.HelperLibrary.Call\[[0-9]*\]=FuncDrvKit(VP210.inf" <<<"$out"'
check "... the programs started and the log file created" \
  'grep -q "^System.Started\[0\]=cmd /C" <<<"$out" && grep -qx "System.Created\[0\]=C:\\\\Temp\\\\Setup.log" <<<"$out"'
check "... and the outcome line of the log" 'grep -qP "^Log\[0\]=<.*> OUTCOME\tVelmar VP-210\tonline\tUSB001\tsuccess\t0x00000000\t" <<<"$out"'
check "message boxes show their buttons and icon" 'grep -q "ui-msgbox Notice | Are you sure.* | YesNo Question$" <<<"$out"'

# A fault from the machine file: the library's install fails with the given code.
{ cat "$tmp/usb.ini"; printf '[Faults]\nFuncDrvKit=always,0x1234\n'; } >"$tmp/fault.ini"
out=$("$SIM" --medium "$medium" --machine "$tmp/fault.ini" --user "$tmp/press.txt" --dump)
check "[Faults] makes the named call fail with its code" \
  'grep -q "ui-msgbox .*0x00001234" <<<"$out" && grep -qx "System.Printers=0" <<<"$out"'
# The queue is added once: a fault on the second call changes nothing, on the first it fails.
{ cat "$tmp/usb.ini"; printf '[Faults]\nAddPrinter=2,5\n'; } >"$tmp/nth.ini"
out=$("$SIM" --medium "$medium" --machine "$tmp/nth.ini" --user "$tmp/press.txt" --dump)
check "a fault on a call that does not come changes nothing" 'grep -qx "System.Printers=1" <<<"$out"'
{ cat "$tmp/usb.ini"; printf '[Faults]\nAddPrinter=1,5\n'; } >"$tmp/nth.ini"
out=$("$SIM" --medium "$medium" --machine "$tmp/nth.ini" --user "$tmp/press.txt" --dump)
check "a fault on the first call fails it" 'grep -qx "System.Printers=0" <<<"$out"'
check "... reported as a failure with its code, and the outcome line says so" \
  'grep -q "ui-msgbox .*Failed (0x00000005)" <<<"$out" && ! grep -q "installed successfully" <<<"$out" && grep -qP "^Log\[0\]=.*\tfailed\t0x00000005\t" <<<"$out"'

# "/Hide" with an automatic model installs and ends; without one nothing happens.
auto=$tmp/auto
cp -r "$medium" "$auto"
sed -i 's/^AutoMode=0/AutoMode=1/' "$auto/install.ini"
: >"$tmp/empty.txt"
out=$("$SIM" --medium "$auto" --machine "$tmp/usb.ini" --user "$tmp/empty.txt" --dump -- /Hide)
check "/Hide with AutoMode installs without a window" \
  'grep -qx "System.Printer\[0\].Port=USB001" <<<"$out" && ! grep -q "ui-show TMainForm" <<<"$out"'
check "... and leaves its outcome in the log" 'grep -qP "^Log\[0\]=.*OUTCOME\t.*\tsuccess\t" <<<"$out"'
out=$("$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/empty.txt" --dump -- /Hide)
check "/Hide without AutoMode waits and installs nothing" 'grep -qx "System.Printers=0" <<<"$out"'

# Started programs show how their window was shown.
printf 'dblclick TMainForm.LvPrinters 0\nwhen "sure" answer yes\n' >"$tmp/dbl.txt"
out=$("$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/dbl.txt")
check "a scripted double-click on the model list installs" 'grep -q "ui-user dblclick TMainForm.LvPrinters" <<<"$out" && grep -q "FuncDrvKit" <<<"$out"'

# Double-clicks on the logo and the panel, in debug mode on 64-bit Windows.
printf '[System]\nDebugMarker=1\nWow64=1\n' >"$tmp/debug.ini"
printf 'dblclick TMainForm.ImgLogo\ndblclick TMainForm.PnlPrinters\nwhen "TFormTest" close TFormTest\n' >"$tmp/dbl2.txt"
out=$("$SIM" --medium "$medium" --machine "$tmp/debug.ini" --user "$tmp/dbl2.txt")
check "a double-click on the logo shows the window handle in the caption" 'grep -q "ui-caption TMainForm = .* WOW64 [0-9A-F]*H$" <<<"$out"'
check "a double-click on the panel opens the diagnostics form" 'grep -q "ui-modal TFormTest" <<<"$out"'

# Hovering a guide link and activating the main window.
printf 'hover TMainForm.LblReadGuide\nactivate TMainForm\n' >"$tmp/hover.txt"
out=$("$SIM" --medium "$medium" --user "$tmp/hover.txt" --dump)
check "hover and activate run as script lines" \
  'grep -q "ui-user hover TMainForm.LblReadGuide" <<<"$out" && grep -q "ui-user activate TMainForm" <<<"$out" && grep -qx "TMainForm.LblReadGuide.Font.Color=0x00FF0000" <<<"$out"'

# Every call a fault can name is one the simulation checks somewhere.
names=$(sed -n '/FaultableCalls() {/,/return names;/p' src/platform/sim/machine.cpp | grep -o '"[A-Za-z]*"' | tr -d '"')
unchecked=""
for n in $names; do
  grep -qE "(Check|Fail|Faulted)\(\"$n\"\)" src/platform/sim/*.cpp || unchecked="$unchecked $n"
done
check "each of the $(wc -w <<<"$names") faultable calls is checked by the sim (unchecked:$unchecked)" '[ -z "$unchecked" ]'

# The readers refuse bad input with a message and exit code 2.
printf '[Faults]\nNoSuchCall=always,5\n' >"$tmp/bad.ini"
err=$("$SIM" --medium "$medium" --machine "$tmp/bad.ini" 2>&1 >/dev/null); rc=$?
check "a bad machine file stops setup-sim with 2 ($err)" '[ $rc -eq 2 ] && [[ $err == *bad.ini*NoSuchCall* ]]'
printf 'press TMainForm.BbtnStart\nhover\n' >"$tmp/bad.txt"
err=$("$SIM" --medium "$medium" --user "$tmp/bad.txt" 2>&1 >/dev/null); rc=$?
check "a bad user script stops setup-sim with 2 ($err)" '[ $rc -eq 2 ] && [[ $err == *"bad.txt: line 2: usage: hover"* ]]'
printf '[System]\nVersion=6.1\n[Spooler\nPorts=USB009\n' >"$tmp/header.ini"
err=$("$SIM" --medium "$medium" --machine "$tmp/header.ini" 2>&1 >/dev/null); rc=$?
check "a header without its ']' is refused with its line ($err)" \
  '[ $rc -eq 2 ] && [[ $err == "setup-sim: $tmp/header.ini: line 3: the section header [Spooler has no closing '"']'"'" ]]'
{ cat "$tmp/usb.ini"; printf '[Printer.1]\nName=Old\nDriver=Old\nPort=USB009\n'; } >"$tmp/port.ini"
err=$("$SIM" --medium "$medium" --machine "$tmp/port.ini" 2>&1 >/dev/null); rc=$?
check "... and a bad value with the line of its key ($err)" '[ $rc -eq 2 ] && [[ $err == *"port.ini: line 12: [Printer.1]: Port USB009"* ]]'
err=$("$SIM" --medium "$tmp/typo" --dump 2>&1 >/dev/null); rc=$?
check "a medium that is not there stops setup-sim with 2 ($err)" '[ $rc -eq 2 ] && [[ $err == *"no medium at $tmp/typo"* ]]'
mkdir "$tmp/nomodel" && printf '; nothing yet\n' >"$tmp/nomodel/install.ini"
err=$("$SIM" --medium "$tmp/nomodel" --dump 2>&1 >/dev/null); rc=$?
check "... and so does a medium without a model ($err)" '[ $rc -eq 2 ] && [[ $err == *"has no install.ini with a model"* ]]'

# --strict: what a CI job must not let pass ends with 1, each with its reason.
out=$("$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/press.txt" --strict 2>&1); rc=$?
check "--strict passes a clean installation (exit $rc)" '[ $rc -eq 0 ] && ! grep -q "^setup-sim:" <<<"$out"'
printf 'select TMainForm.LvPrinters 5\npress TMainForm.BtnNone\npress TMainForm.BbtnStart\n' >"$tmp/typos.txt"
err=$("$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/typos.txt" 2>&1 >/dev/null); rc=$?
check "script lines that cannot run are named with their reason, exit 0 without --strict" \
  '[ $rc -eq 0 ] && [[ $err == *"typos.txt: line 2: TMainForm has no control BtnNone"* ]] &&
   [[ $err == *"typos.txt: line 1: TMainForm.LvPrinters has no item 5 (it lists 2)"* ]]'
"$SIM" --medium "$medium" --machine "$tmp/usb.ini" --user "$tmp/typos.txt" --strict >/dev/null 2>&1
check "... and exit 1 with it" '[ $? -eq 1 ]'
err=$("$SIM" --medium "$medium" --machine "$tmp/fault.ini" --user "$tmp/press.txt" --strict 2>&1 >/dev/null); rc=$?
check "a failed installation ends --strict with 1 ($err)" \
  '[ $rc -eq 1 ] && [[ $err == *"the installation of Velmar VP-210 ended failed (0x00001234)"* ]]'
sed 's/USBPRINT\\/LPTENUM\\/; s/&0&USB001/\&0\&LPT1/; s/^PortInfo=.*/PortInfo=LPT1/' "$tmp/usb.ini" >"$tmp/lpt.ini"
out=$("$SIM" --medium "$medium" --machine "$tmp/lpt.ini" --user "$tmp/press.txt" --strict --dump 2>&1); rc=$?
check "a queue on another port than the printer's ends --strict with 1" \
  '[ $rc -eq 1 ] && grep -qx "System.Printer\[0\].Port=USB001" <<<"$out" &&
   grep -q "^setup-sim: the queue Velmar VP-210 is on port USB001 but the printer is on port LPT1: (it will not print)" <<<"$out"'
# The stand-ins' state file names the driver under [HelperLibrary]: so may a machine file.
sed 's/^\[HandOff64\]/[HelperLibrary]/' "$tmp/usb.ini" >"$tmp/helper.ini"
out=$("$SIM" --medium "$medium" --machine "$tmp/helper.ini" --user "$tmp/press.txt" --strict --dump); rc=$?
check "[HelperLibrary] InstallsDriver installs the driver (exit $rc)" '[ $rc -eq 0 ] && grep -qx "System.Printers=1" <<<"$out"'

# The linter: clean, warnings only, errors.
"$LINT" "$medium" >"$tmp/lint.out"; rc=$?
check "the sample medium with its built pieces lints clean" '[ $rc -eq 0 ] && [ ! -s "$tmp/lint.out" ]'
"$LINT" "$auto" >/dev/null
check "one AutoMode model is no warning" '[ $? -eq 0 ]'
warn=$tmp/warn
cp -r "$medium" "$warn"
sed -i 's/^QuiteMode=0/QuiteMode=false/' "$warn/install.ini"
out=$("$LINT" "$warn"); rc=$?
check "a flag written as a word is a warning with its line (exit $rc)" '[ $rc -eq 1 ] && [[ $out == "install.ini:20: warning: [VP210] QuiteMode=false counts as false"* ]]'
rm "$warn/VP350S.inf"
out=$("$LINT" "$warn"); rc=$?
check "a missing INF is an error (exit $rc)" '[ $rc -eq 2 ] && grep -q "^install.ini:27: error: \[VP350S\] InstallSettingFile2K" <<<"$out"'
out=$("$LINT" samples/medium); rc=$?
check "the bare sample medium misses only the built pieces" \
  '[ $rc -eq 2 ] && [ "$(grep -c "is not on the medium" <<<"$out")" -eq "$(wc -l <<<"$out")" ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
