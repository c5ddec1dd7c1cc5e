#!/usr/bin/env bash
# Gives the Wine prefix WINEPREFIX what Windows has and Wine lacks for a
# maker's PostScript INF: the system's printer INF (%windir%\inf\ntprint.inf)
# with its PostScript core section, and the core's files where Windows keeps
# them since Vista (the driver store's ntprint.inf folder). Wine's own
# PostScript driver (wineps.drv, from the prefix's driver folder) stands in
# for the core's two programs; the help and font-metrics files are
# placeholders. With "cab" the files are packed in the driver cache's
# driver.cab instead, as Windows 2000 and XP keep them.
# usage: wine-printer-core.sh x64|x86 [cab]
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
arch=${1:?usage: wine-printer-core.sh x64|x86 [cab]}
packed=${2:-}
windows=$WINEPREFIX/drive_c/windows
case $arch in
  x64) spool=x64 store=ntprint.inf_amd64_0f1e2d3c4b5a6978 folder=Amd64 cache=amd64 ;;
  x86) spool=w32x86 store=ntprint.inf_x86_0f1e2d3c4b5a6978 folder=I386 cache=i386 ;;
  *) echo "wine-printer-core.sh: x64 or x86, not $arch" >&2; exit 2 ;;
esac
wineps=$windows/system32/spool/drivers/$spool/3/wineps.drv
if [ ! -f "$wineps" ]; then echo "wine-printer-core.sh: the prefix has no $wineps" >&2; exit 1; fi
files=$windows/system32/DriverStore/FileRepository/$store/$folder
mkdir -p "$windows/inf" "$files"
cp "$wineps" "$files/PSCRIPT5.DLL"
cp "$wineps" "$files/PS5UI.DLL"
printf 'PostScript driver help\r\n' >"$files/PSCRIPT.HLP"
printf 'PostScript font metrics\r\n' >"$files/PSCRIPT.NTF"
if [ "$packed" = cab ]; then
  mkdir -p "$windows/Driver Cache/$cache"
  (cd "$files" && gcab -c -n "$windows/Driver Cache/$cache/driver.cab" PSCRIPT5.DLL PS5UI.DLL PSCRIPT.HLP PSCRIPT.NTF)
  rm -rf "$windows/system32/DriverStore/FileRepository/$store"
fi
printf '%s\r\n' '; The system printer INF as far as the PostScript core goes.' \
  '[Version]' 'Signature="$Windows NT$"' 'Class=Printer' 'ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}' \
  'Provider=%MS%' '' \
  '[PSCRIPT.OEM]' 'CopyFiles=PSCRIPT' 'DataSection=PSCRIPT_DATA' '' \
  '[PSCRIPT_DATA]' 'DriverFile=PSCRIPT5.DLL' 'ConfigFile=PS5UI.DLL' 'HelpFile=PSCRIPT.HLP' '' \
  '[PSCRIPT]' 'PSCRIPT5.DLL' 'PS5UI.DLL' 'PSCRIPT.HLP' 'PSCRIPT.NTF' '' \
  '[DestinationDirs]' 'DefaultDestDir=66000' '' \
  '[SourceDisksNames]' '1=%Disk%' '' \
  '[SourceDisksFiles]' 'PSCRIPT5.DLL=1' 'PS5UI.DLL=1' 'PSCRIPT.HLP=1' 'PSCRIPT.NTF=1' '' \
  '[Strings]' 'MS="System"' 'Disk="Windows installation disk"' >"$windows/inf/ntprint.inf"
