#!/usr/bin/env bash
# Fails when a program imports a DLL or function that is not on the list of
# what Windows 2000 exports (so that the shipped program still starts there).
# usage: check-imports.sh PROGRAM.exe ALLOWLIST
set -euo pipefail
exe=$1 list=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
bad=0
while read -r dll fn; do
  if ! grep -qiE "^${dll}[[:space:]]+${fn}([[:space:]]|$)" "$list"; then
    echo "import not allowed on Windows 2000: $dll $fn" >&2
    bad=1
  fi
done < <("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3; next }
  /^$/ { dll = "" }')
# The PE header must say subsystem 4.0.
ver=$("$objdump" -p "$exe" | awk '/MajorSubsystemVersion/ {ma=$2} /MinorSubsystemVersion/ {mi=$2} END {print ma "." mi}')
if [ "$ver" != "4.0" ]; then echo "subsystem version is $ver, not 4.0" >&2; bad=1; fi
exit $bad
