#!/usr/bin/env bash
# out/medium: the sample medium's sources plus the built programs and stand-ins.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf out/medium
mkdir -p out/medium
cp -r samples/medium/. out/medium/
cp out/win32/Setup.exe out/medium/Setup.exe
mkdir -p out/medium/i386 out/medium/X64
# Stand-ins at the places install.ini names by default, where they are built.
for f in drvkit.dll devcon.exe WebPrnCtl.ocx; do
  [ -f "out/win32/standins/$f" ] && cp "out/win32/standins/$f" out/medium/i386/
done
for f in drvkit64.dll devcon.exe Quenset64.exe; do
  [ -f "out/win64/standins/$f" ] && cp "out/win64/standins/$f" out/medium/X64/
done
# The ActiveX control and the 64-bit sibling: i386\WebPrnCtl.ocx is the i686
# build the shipped program registers; the x64 build lies in X64\ for the
# Wine tests, whose 64-bit Setup.exe can only load that one.
for f in out/win32/standins/WebPrnCtl.ocx out/win64/standins/WebPrnCtl.ocx out/win64/standins/Quenset64.exe; do
  [ -f "$f" ] || echo "assemble-medium: $f was not built" >&2
done
[ -f out/win64/standins/WebPrnCtl.ocx ] && cp out/win64/standins/WebPrnCtl.ocx out/medium/X64/

# The stand-ins' state: one USB printer of the first sample model attached.
for d in out/medium/i386 out/medium/X64; do
  printf '%s\r\n' '[HelperLibrary]' 'InstallResult=0' 'LastErrorCode=0' '[Device.1]' \
    'HardwareId=USBPRINT\VelmarVP-2104E1A' 'DeviceId=USBPRINT\VELMARVP-2104E1A\7&1A2B3C4D&0&USB001' \
    'PortInfo=Virtual printer port for USB001' 'Name=Velmar VP-210' 'AfterRefresh=0' > "$d/drvkit-state.ini"
done
true
