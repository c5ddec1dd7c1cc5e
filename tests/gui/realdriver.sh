#!/usr/bin/env bash
# settings: x64 win32
# The sample medium as shipped, with the open helper library: Install puts
# the model's real driver in place from its INF (read back from the
# spooler: name, environment, the PPD as data file in the driver folder's
# version folder, equal to the medium's) and the queue on it, which prints
# with the PPD; the library, called again, leaves it as it is; with the core
# packed in driver.cab (Windows 2000, XP) it installs as well, also from a
# driver cache moved to where the registry says. Bad packages end with the program's
# failure box carrying the library's code and register no driver: a file
# the INF names is missing, no model has the ID, the models are for the
# other architecture only. Switched on, the library shows its own error box.
# A package with a language monitor gets the monitor added before its driver.
# In the x64 setting the 64-bit sibling setup as shipped (X64\Quenset64.exe)
# installs the driver too, started as the 32-bit program starts it on 64-bit
# Windows.
# Wine has no ntprint.inf nor the PostScript core files a maker's INF builds
# on: the prefix is given them the way Windows keeps them
# (drvkit/tests/wine-printer-core.sh), with Wine's PostScript driver as the
# core's programs. REAL_MEDIUM names another assembled medium.
# Not under WoW64: Wine's spooler looks a 32-bit program's drivers up under
# "Windows NT x86", so the queue the program makes cannot find the x64
# driver the sibling installed (Windows' one spooler would).
set -uo pipefail
source "$(dirname "$0")/common.bash"
if [ "$GUI_WINDOWS" = x64 ]; then medium=$gui_top/out/medium-x64; else medium=$gui_top/out/medium; fi
medium=${REAL_MEDIUM:-$medium}
gui_medium=$medium
gui_start i386/drvkit.dll
model="Velmar VP-210"
caption="Printer Installer" notice=Notice btn=Install
confirm="Are you sure to install the driver?" success="installed successfully"
export LC_ALL=en_US.UTF-8
# The driver lives in the process's own environment (x64 for the vehicle and
# the sibling, x86 for the 32-bit program on a 32-bit Windows).
case $GUI_WINDOWS in
  win32) env="Windows NT x86" spool=w32x86 core=x86 ;;
  x64) env="Windows x64" spool=x64 core=x64 ;;
  *) fail setup "not for GUI_WINDOWS=$GUI_WINDOWS"; finish; exit 1 ;;
esac
probe=$gui_out/drvkit/tests/drvkit_probe.exe
require_file "$probe" "$probe is not built"
if "$gui_top/drvkit/tests/wine-printer-core.sh" "$core"; then ok "printer core given to the prefix"; else
  fail "printer core given to the prefix" "wine-printer-core.sh failed"
fi
probe() { timeout 60 "$WINE" "$probe" "$@" 2>/dev/null | tr -d '\r'; }

# no_driver TAG: neither the driver nor a queue of the model is registered.
no_driver() {
  local got
  got=$(probe driver "$model")
  if [[ "$got" == "no driver $model" ]]; then ok "$1 no driver"; else fail "$1 no driver" "$got"; fi
  got=$(guidriver -u printer "$model" 2>/dev/null | tr -d '\r' | grep '^driver=')
  check "$1 no queue" "" "$got"
}

# install TAG DIR: Install pressed on DIR's program, Yes to the question; the
# outcome box's text goes to $outcome, OK pressed.
install() {
  open_setup "$1 start" "$2" "$caption" || return 1
  guidriver click "$caption" "$btn" || fail "$1 press" "could not press Install"
  answer "$1 confirmation" "$notice" "$confirm" Yes
  if guidriver -b wait-window "$notice" 60000; then
    sleep 1
    outcome=$(box_text "$notice")
    screenshot "$notice" "$shots/realdriver-$GUI_WINDOWS-$1.png" -b
    guidriver -b click "$notice" '#1' >/dev/null 2>&1
  else
    outcome="no outcome box"
  fi
  guidriver close "$caption"
  guidriver wait-gone "$caption" 10000 >/dev/null 2>&1
  stop_setup 20 >/dev/null
}

# Bad packages first, while no driver of the model exists.
bad() {  # TAG CODE EDIT...: the medium with the sed edits of its INF (or a removed file)
  local tag=$1 code=$2 dir=$gui_tmp/bad-$1
  shift 2
  cp -r "$medium" "$dir"
  if [ "$1" = rm ]; then rm -f "$dir/$2"; else sed -i "$@" "$dir/VP210.inf"; fi
  install "$tag" "$dir" || return
  # The program's failure text with the library's code.
  if [[ "$outcome" == *"Driver install is Failed (0x$code)"* ]]; then ok "$tag failure box"; else
    fail "$tag failure box" "box says '$outcome'"
  fi
  no_driver "$tag"
}
bad missing-file 00000002 rm VP210.PPD
# The program asks for the first LPTENUM ID of the file: one no model has.
bad no-model E0000228 -e 's/^\[Manufacturer\]/[Retired]\r\n"Velmar VP-209" = VP209,LPTENUM\\VelmarVP-2090000,USBPRINT\\VelmarVP-2090000\r\n\r\n&/'
# (The program itself reads the model's name from [Velmar] whatever the models.)
if [ "$GUI_WINDOWS" = win32 ]; then
  bad other-architecture 000000D8 -e 's/^\(%ProviderName%=\)Velmar,NTamd64/\1VelmarModels,NTamd64/' \
    -e 's/^\[Velmar\.NTamd64\]/[VelmarModels.NTamd64]/'
else
  bad other-architecture 000000D8 -e 's/^\(%ProviderName%=Velmar\),NTamd64/\1,NTx86/' -e 's/^\[Velmar\.NTamd64\]/[Velmar.NTx86]/'
fi

# ShowErrorCode(TRUE): a failure shows the library's own box with the code.
(cd "$medium" && timeout 90 "$WINE" "$probe" install-shown 'i386\drvkit.dll' VP210.inf VelmarVP-0000000 \
   >"$gui_tmp/shown.out" 2>/dev/null) &
shown=$!
if guidriver -b wait-window "Printer driver" 30000; then
  text=$(box_text "Printer driver")
  if [[ "$text" == *"(0xE0000228)"* ]]; then ok "library error box"; else fail "library error box" "box says '$text'"; fi
  guidriver -b click "Printer driver" '#1' >/dev/null 2>&1
else
  fail "library error box" "no box"
fi
wait "$shown"
check "library error box answer" "answer=2" "$(tr -d '\r' <"$gui_tmp/shown.out" | head -1)"

# The sample model as shipped.
good=$gui_tmp/medium
cp -r "$medium" "$good"
: >"$gui_tmp/debug.log"
install install "$good"
if [[ "$outcome" == *"$success"* ]]; then ok "install success box"; else fail "install success box" "box says '$outcome'"; fi
driver=$(probe driver "$model")
check "driver environment" "environment=$env" "$(grep '^environment=' <<<"$driver")"
data=$(sed -n 's/^data=//p' <<<"$driver")
check "driver data file" "C:\\windows\\system32\\spool\\drivers\\$spool\\3\\VP210.PPD" "$data"
check "driver program" "PSCRIPT5.DLL" "$(sed -n 's/^driver=.*\\//p' <<<"$driver")"
ppd=$WINEPREFIX/drive_c/windows/system32/spool/drivers/$spool/3/VP210.PPD
if cmp -s "$ppd" "$medium/VP210.PPD"; then ok "driver PPD is the medium's"; else fail "driver PPD is the medium's" "$ppd differs or is missing"; fi
info=$(guidriver -u printer "$model" | tr -d '\r')
check "queue driver" "driver=$model" "$(grep '^driver=' <<<"$info")"
dbg=$(debug_lines)
if grep -qF "drvkit: installed $model for $env with VP210.PPD" <<<"$dbg"; then ok "library debug line"; else
  fail "library debug line" "$(grep drvkit: <<<"$dbg" | head -5)"
fi
echo "driver read back: $(tr '\n' ' ' <<<"$driver")"

# A page through the queue: Wine's PostScript driver reads the queue's PPD.
# Its PostScript names no model; the PPD shows in the page's feature and in
# the bounding box, the A4 imageable area of the PPD (give or take a point).
page=$WINEPREFIX/drive_c/page.ps
check "print a page" "printed=1" "$(probe print "$model" 'C:\page.ps')"
area=$(sed -n 's/^\*ImageableArea A4\/A4: "\([0-9]*\) \([0-9]*\) .*/\1 \2/p' "$medium/VP210.PPD" | tr -d '\r')
box=$(sed -n 's/^%%BoundingBox: \([0-9]*\) \([0-9]*\) .*/\1 \2/p' "$page" 2>/dev/null | head -1)
if [ -n "$box" ] && [ -n "$area" ] && (( ${box% *} >= ${area% *} - 1 && ${box% *} <= ${area% *} &&
                                       ${box#* } >= ${area#* } - 1 && ${box#* } <= ${area#* } )) &&
   grep -qa '^%%BeginFeature: \*PageSize A4' "$page"; then
  ok "page made with the PPD"
else
  fail "page made with the PPD" "bounding box '$box' for the PPD's '$area'"
fi

# The library once more on the same package: installed already, nothing changes.
before=$(stat -c "%i %Z" "$ppd")
again=$(cd "$good" && probe install 'i386\drvkit.dll' VP210.inf VelmarVP-2104E1A LPT1:)
check "again answer" "answer=1 code=0x00000000" "$(tr '\n' ' ' <<<"$again" | sed 's/ $//')"
check "again leaves the files" "$before" "$(stat -c "%i %Z" "$ppd")"

# Windows 2000 and XP keep the core packed in the driver cache's driver.cab:
# the same package, installed afresh with no core file unpacked anywhere.
# It names a catalog, as a signed package does: Wine takes no packages
# (UploadPrinterDriverPackage answers E_NOTIMPL), so the library falls back
# to installing the files itself.
guidriver delete-printer "$model" >/dev/null 2>&1
probe delete-driver "$model" >/dev/null
rm -f "${ppd%/*}"/{PSCRIPT5.DLL,PS5UI.DLL,PSCRIPT.HLP,PSCRIPT.NTF,VP210.PPD}
if "$gui_top/drvkit/tests/wine-printer-core.sh" "$core" cab; then
  signed=$gui_tmp/signed
  cp -r "$good" "$signed"
  sed -i 's/^DriverVer=[^\r]*/&\r\nCatalogFile=VP210.cat/' "$signed/VP210.inf"
  printf 'catalog\r\n' >"$signed/VP210.cat"
  fresh=$(cd "$signed" && WINEDEBUG=-all,+debugstr timeout 60 "$WINE" "$probe" install 'i386\drvkit.dll' VP210.inf \
            VelmarVP-2104E1A LPT1: 2>"$gui_tmp/probe.log" | tr -d '\r')
  check "from driver.cab answer" "answer=0 code=0x00000000" "$(tr '\n' ' ' <<<"$fresh" | sed 's/ $//')"
  if grep -q 'drvkit: the signed package did not install' "$gui_tmp/probe.log"; then ok "signed package falls back"; else
    fail "signed package falls back" "$(grep -a drvkit: "$gui_tmp/probe.log" | head -3)"
  fi
  check "from driver.cab program" "PSCRIPT5.DLL" "$(probe driver "$model" | sed -n 's/^driver=.*\\//p')"
  if cmp -s "${ppd%/*}/PS5UI.DLL" "$WINEPREFIX/drive_c/windows/system32/spool/drivers/$spool/3/wineps.drv"; then
    ok "from driver.cab files"
  else
    fail "from driver.cab files" "PS5UI.DLL is not the packed one"
  fi
  # The cache moved elsewhere, as the Setup key's DriverCachePath then says.
  probe delete-driver "$model" >/dev/null
  rm -f "${ppd%/*}"/{PSCRIPT5.DLL,PS5UI.DLL,PSCRIPT.HLP,PSCRIPT.NTF,VP210.PPD}
  mv "$WINEPREFIX/drive_c/windows/Driver Cache" "$WINEPREFIX/drive_c/Moved Cache"
  timeout 60 "$WINE" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup' /v DriverCachePath \
    /t REG_EXPAND_SZ /d '%SystemDrive%\Moved Cache\' /f >/dev/null 2>&1
  moved=$(cd "$good" && probe install 'i386\drvkit.dll' VP210.inf VelmarVP-2104E1A LPT1:)
  check "from a moved driver cache" "answer=0 code=0x00000000" "$(tr '\n' ' ' <<<"$moved" | sed 's/ $//')"
  check "from a moved driver cache program" "PSCRIPT5.DLL" "$(probe driver "$model" | sed -n 's/^driver=.*\\//p')"
else
  fail "core in driver.cab" "wine-printer-core.sh failed"
fi

# A package with a language monitor, its DLL bound for the system folder
# (66002) and named through [Strings] as "NAME,DLL": the monitor is added
# before the driver that names it, and once only. A monitor DLL of the
# other architecture installs nothing.
if [ "$GUI_WINDOWS" = x64 ]; then other_out=$gui_top/out/win32; else other_out=$gui_top/out/win64; fi
monitor_package() {  # DIR MODEL MONITOR DLL: the sample package with the monitor, as DIR
  cp -r "$good" "$1"
  cp "$4" "$1/vplangmon.dll"
  sed -i -e "s/^\"Velmar VP-210\" =/\"$2\" =/" \
    -e 's/^CopyFiles=VELMAR_FILES/&,VELMAR_MONITOR\r\nLanguageMonitor=%MonitorName%/' \
    -e 's/^DefaultDestDir=66000/&\r\nVELMAR_MONITOR=66002/' -e 's/^VP210\.PPD=1/&\r\nvplangmon.dll=1/' \
    -e "s/^\[Strings\]/[VELMAR_MONITOR]\r\nvplangmon.dll\r\n\r\n&\r\nMonitorName=\"$3,vplangmon.dll\"/" \
    "$1/VP210.inf"
}
lm_model="Velmar VP-210 LM" lm_name="Velmar Test Monitor"
monitor_package "$gui_tmp/monitor" "$lm_model" "$lm_name" "$gui_out/drvkit/tests/vplangmon.dll"
got=$(cd "$gui_tmp/monitor" && probe install 'i386\drvkit.dll' VP210.inf VelmarVP-2104E1A LPT1:)
check "monitor package answer" "answer=0 code=0x00000000" "$(tr '\n' ' ' <<<"$got" | sed 's/ $//')"
check "monitor named by the driver" "monitor=$lm_name" "$(probe driver "$lm_model" | grep '^monitor=')"
check "monitor added" "dll=vplangmon.dll" "$(probe monitor "$lm_name")"
if cmp -s "$gui_out/drvkit/tests/vplangmon.dll" "$WINEPREFIX/drive_c/windows/system32/vplangmon.dll"; then
  ok "monitor DLL in the system folder"
else
  fail "monitor DLL in the system folder" "system32/vplangmon.dll is missing or another"
fi
got=$(cd "$gui_tmp/monitor" && probe install 'i386\drvkit.dll' VP210.inf VelmarVP-2104E1A LPT1:)
check "monitor package again" "answer=1 code=0x00000000" "$(tr '\n' ' ' <<<"$got" | sed 's/ $//')"
probe delete-driver "$lm_model" >/dev/null
monitor_package "$gui_tmp/monitor-other" "$lm_model 2" "Velmar Other Monitor" \
  "$other_out/drvkit/tests/vplangmon.dll"
got=$(cd "$gui_tmp/monitor-other" && probe install 'i386\drvkit.dll' VP210.inf VelmarVP-2104E1A LPT1:)
check "monitor of the other architecture" "answer=2 code=0x000000D8" "$(tr '\n' ' ' <<<"$got" | sed 's/ $//')"
check "monitor of the other architecture not added" "no monitor Velmar Other Monitor" \
  "$(probe monitor "Velmar Other Monitor")"
check "monitor of the other architecture no driver" "no driver $lm_model 2" "$(probe driver "$lm_model 2")"

# The 64-bit sibling setup as shipped beside drvkit64.dll, started as the
# 32-bit program starts it on 64-bit Windows: it installs through the
# library and posts the outcome to the window it was given. Whatever lies in
# the current directory, it loads the library from its own folder; a handle
# that is not a window gets nothing.
if [ "$GUI_WINDOWS" = x64 ]; then
  # sibling [-in PROGRAM] FOLDER ARGS: the probe's "message= code= exit=" on one line.
  sibling() {
    local program=$good/X64/Quenset64.exe
    if [ "$1" = -in ]; then program=$2; shift 2; fi
    (cd "$1" && timeout 90 "$WINE" "$probe" sibling "$program" "$2" 2>/dev/null) |
      tr -d '\r' | tr '\n' ' ' | sed 's/ $//'
  }
  probe delete-driver "$model" >/dev/null
  args='/Handle %W /Dll "drvkit64.dll" /Inf "..\VP210.inf" /HWID'
  check "sibling no model" "message=error code=0xE0000228 exit=1" "$(sibling "$good/X64" "$args VelmarVP-0000000")"
  check "sibling no model no driver" "no driver $model" "$(probe driver "$model")"
  check "sibling installs" "message=success code=0x00000000 exit=0" \
    "$(sibling "$good/X64" "$args VelmarVP-2104E1A")"
  driver=$(probe driver "$model")
  check "sibling driver environment" "environment=Windows x64" "$(grep '^environment=' <<<"$driver")"
  check "sibling driver data file" "C:\\windows\\system32\\spool\\drivers\\x64\\3\\VP210.PPD" \
    "$(sed -n 's/^data=//p' <<<"$driver")"
  check "sibling again" "message=success code=0x00000000 exit=0" "$(sibling "$good/X64" "$args VelmarVP-2104E1A")"
  check "sibling not a window" "message=none code=0x00000000 exit=2" \
    "$(sibling "$good/X64" "/Handle 1 /Dll \"drvkit64.dll\" /Inf \"..\\VP210.inf\" /HWID VelmarVP-2104E1A")"
  # Alone in a folder, with the library in the current directory only.
  lone=$gui_tmp/lone
  mkdir -p "$lone/X64"
  cp "$good/X64/Quenset64.exe" "$lone/X64/"
  check "sibling ignores the current directory" "message=error code=0x0000007E exit=1" \
    "$(sibling -in "$lone/X64/Quenset64.exe" "$good/X64" "$args VelmarVP-2104E1A")"
fi
probe delete-driver "$model" >/dev/null
finish
