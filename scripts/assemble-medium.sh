#!/usr/bin/env bash
# out/medium: the sample medium's sources plus the shipped program and the
# stand-ins at the places install.ini names by default: the i686 helper
# library, devcon and ActiveX control in i386\, the x64 helper library,
# devcon and sibling setup in X64\.
# out/medium-x64: the same medium with the x64 build of the program as
# Setup.exe, a test vehicle for machines that cannot run 32-bit programs
# (never shipped). A 64-bit process installs in process, so the x64
# stand-ins stand where the program looks on a 32-bit Windows: i386\.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf out/medium out/medium-x64
mkdir -p out/medium/i386 out/medium/X64
cp -r samples/medium/. out/medium/
cp out/win32/Setup.exe out/medium/Setup.exe
missing=0
place() {  # FILE FOLDER
  if [ -f "$1" ]; then cp "$1" "$2/"; else echo "assemble-medium: $1 was not built" >&2; missing=1; fi
}
for f in drvkit.dll devcon.exe WebPrnCtl.ocx; do place "out/win32/standins/$f" out/medium/i386; done
for f in drvkit64.dll devcon.exe Quenset64.exe; do place "out/win64/standins/$f" out/medium/X64; done

# The stand-ins' state: one USB printer of the first sample model attached,
# and an installation that succeeds and puts the model's driver in place.
for d in out/medium/i386 out/medium/X64; do
  printf '%s\r\n' '[HelperLibrary]' 'InstallResult=0' 'LastErrorCode=0' 'InstallsDriver=Velmar VP-210' \
    '[Device.1]' 'HardwareId=USBPRINT\VelmarVP-2104E1A' \
    'DeviceId=USBPRINT\VELMARVP-2104E1A\7&1A2B3C4D&0&USB001' \
    'PortInfo=Virtual printer port for USB001' 'Name=Velmar VP-210' 'AfterRefresh=0' > "$d/drvkit-state.ini"
done

mkdir -p out/medium-x64
cp -r out/medium/. out/medium-x64/
place out/win64/Setup.exe out/medium-x64
for f in devcon.exe WebPrnCtl.ocx; do place "out/win64/standins/$f" out/medium-x64/i386; done
if [ -f out/win64/standins/drvkit64.dll ]; then
  cp out/win64/standins/drvkit64.dll out/medium-x64/i386/drvkit.dll
else
  echo "assemble-medium: out/win64/standins/drvkit64.dll was not built" >&2; missing=1
fi
exit $missing
