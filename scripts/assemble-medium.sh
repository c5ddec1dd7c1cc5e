#!/usr/bin/env bash
# The media the tests and the demo run on, from the sample medium's sources:
#   out/medium           the sample medium as shipped: Setup.exe (i686), the
#                        open helper library (i386\drvkit.dll, X64\drvkit64.dll)
#                        and its 64-bit sibling setup (X64\Quenset64.exe), devcon
#                        and the ActiveX control in i386\ and X64\
#   out/medium-x64       the same with the x64 build of the program as
#                        Setup.exe, a test vehicle for machines that cannot run
#                        32-bit programs (never shipped). A 64-bit process
#                        installs in process, so the x64 library stands where
#                        the program looks on a 32-bit Windows: i386\drvkit.dll.
#   out/medium-standins, out/medium-standins-x64
#                        the same two with the helper-library stand-ins in
#                        place of the library, over a state file (one USB
#                        printer of the first model attached, an installation
#                        that succeeds) and the sibling's stand-in, which
#                        logs how it was started, for the suites that steer
#                        outcomes.
# WIN32_OUT and WIN64_OUT (default out/win32, out/win64) name the builds,
# MEDIUM_OUT (default out/medium) the first medium; the others take its name
# with their suffix.
set -euo pipefail
cd "$(dirname "$0")/.."
win32=${WIN32_OUT:-out/win32}
win64=${WIN64_OUT:-out/win64}
real=${MEDIUM_OUT:-out/medium}
standins=$real-standins
rm -rf "$real" "$real-x64" "$standins" "$standins-x64"
missing=0
place() {  # FILE FOLDER [NAME]
  if [ -f "$1" ]; then cp "$1" "$2/${3:-}"; else echo "assemble-medium: $1 was not built" >&2; missing=1; fi
}

# A medium of one program and one library for each place the program looks.
#   medium DIR SETUP I386_LIBRARY X64_LIBRARY I386_TOOLS SIBLING
medium() {
  local dir=$1 tools=$5 f
  mkdir -p "$dir/i386" "$dir/X64"
  cp -r samples/medium/. "$dir/"
  place "$2" "$dir" Setup.exe
  place "$3" "$dir/i386" drvkit.dll
  place "$4" "$dir/X64" drvkit64.dll
  for f in devcon.exe WebPrnCtl.ocx; do place "$tools/$f" "$dir/i386"; done
  place "$win64/standins/devcon.exe" "$dir/X64"
  place "$6" "$dir/X64" Quenset64.exe
}
medium "$real" "$win32/Setup.exe" "$win32/drvkit/drvkit.dll" "$win64/drvkit/drvkit64.dll" "$win32/standins" \
  "$win64/drvkit/Quenset64.exe"
medium "$real-x64" "$win64/Setup.exe" "$win64/drvkit/drvkit64.dll" "$win64/drvkit/drvkit64.dll" "$win64/standins" \
  "$win64/drvkit/Quenset64.exe"
medium "$standins" "$win32/Setup.exe" "$win32/standins/drvkit.dll" "$win64/standins/drvkit64.dll" "$win32/standins" \
  "$win64/standins/Quenset64.exe"
medium "$standins-x64" "$win64/Setup.exe" "$win64/standins/drvkit64.dll" "$win64/standins/drvkit64.dll" \
  "$win64/standins" "$win64/standins/Quenset64.exe"

# The stand-ins' state: one USB printer of the first sample model attached,
# and an installation that succeeds and puts the model's driver in place.
for d in "$standins/i386" "$standins/X64" "$standins-x64/i386" "$standins-x64/X64"; do
  printf '%s\r\n' '[HelperLibrary]' 'InstallResult=0' 'LastErrorCode=0' 'InstallsDriver=Velmar VP-210' \
    '[Device.1]' 'HardwareId=USBPRINT\VelmarVP-2104E1A' \
    'DeviceId=USBPRINT\VELMARVP-2104E1A\7&1A2B3C4D&0&USB001' \
    'PortInfo=Virtual printer port for USB001' 'Name=Velmar VP-210' 'AfterRefresh=0' > "$d/drvkit-state.ini"
done
exit $missing
