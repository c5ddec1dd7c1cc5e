#!/usr/bin/env bash
# Fails when a program imports a DLL or function that is not on the list of
# what Windows 2000 exports (so that the shipped program still starts there),
# or any DLL the list does not name as pinned to the system folder (so that
# nothing beside the program is loaded in place of a system DLL).
# usage: check-imports.sh [--dlls-only] PROGRAM.exe ALLOWLIST
# --dlls-only checks the DLLs alone and not the subsystem version: for a
# 64-bit program, which never meets Windows 2000 but is started elevated too.
set -euo pipefail
dlls_only=0
if [ "${1:-}" = --dlls-only ]; then dlls_only=1; shift; fi
exe=$1 list=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
bad=0
# A DLL the list does not pin is searched for in the program's folder first.
declare -A seen=()
while read -r dll fn; do
  if [ -z "${seen[$dll]:-}" ]; then
    seen[$dll]=1
    if ! grep -qiE "^pinned[[:space:]]+${dll}([[:space:]]|$)" "$list"; then
      echo "DLL not pinned to the system folder, load it at run time by its full path: $dll" >&2
      bad=1
    fi
  fi
  if [ "$dlls_only" = 0 ] && ! grep -qiE "^${dll}[[:space:]]+${fn}([[:space:]]|$)" "$list"; then
    echo "import not allowed on Windows 2000: $dll $fn" >&2
    bad=1
  fi
done < <("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3; next }
  /^$/ { dll = "" }')
# The PE header must say subsystem 4.0.
ver=$("$objdump" -p "$exe" | awk '/MajorSubsystemVersion/ {ma=$2} /MinorSubsystemVersion/ {mi=$2} END {print ma "." mi}')
if [ "$dlls_only" = 0 ] && [ "$ver" != "4.0" ]; then echo "subsystem version is $ver, not 4.0" >&2; bad=1; fi
exit $bad
