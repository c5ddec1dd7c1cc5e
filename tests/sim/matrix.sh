#!/usr/bin/env bash
# The installation matrix over the sample medium (both models), on the simulated Windows:
# every cell must run, and what it leaves must fit how the printer was
# attached. The table stays in out/matrix (matrix.md, matrix.html, cells/).
set -uo pipefail
cd "$(dirname "$0")/../.."
SIM=out/host/setup-sim
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }

# The sample medium with the built pieces at their places (as assemble-medium
# puts them); the sim needs only that the files exist.
medium=out/matrix-medium
rm -rf "$medium" out/matrix
mkdir -p "$medium"
cp -r samples/medium/. "$medium/"
mkdir -p "$medium/i386" "$medium/X64"
for f in i386/drvkit.dll i386/devcon.exe X64/drvkit64.dll X64/devcon.exe X64/Quenset64.exe; do : >"$medium/$f"; done

summary=$("$SIM" --matrix "$medium" --out out/matrix)
check "every cell runs ($summary)" '[ $? -eq 0 ] && [[ $summary == "126 cells, 0 could not run"* ]]'
check "a Markdown and an HTML table" '[ -s out/matrix/matrix.md ] && [ -s out/matrix/matrix.html ]'
check "each cell keeps its transcript" '[ "$(ls out/matrix/cells/*.txt | wc -l)" -eq 126 ]'
rows=$(grep -c '^| Velmar VP-[0-9S]* | Windows [0-9X]' out/matrix/matrix.md)
check "two models times 63 rows in the table (got $rows)" '[ "$rows" -eq 126 ]'
usb_ok=$(grep '^| Velmar VP-210 | Windows [^|]* | [^|]* | USB |' out/matrix/matrix.md | grep -c ' on USB001 | Velmar VP-210 | success (online)')
check "a USB printer gets its queue on USB001, default, online, in every cell ($usb_ok of 21)" '[ "$usb_ok" -eq 21 ]'
lpt_ok=$(grep '^| Velmar VP-210 | Windows [^|]* | [^|]* | LPT1 |' out/matrix/matrix.md | grep -c ' on LPT1: | Velmar VP-210 | success')
check "a printer on LPT1 ends on LPT1: ($lpt_ok of 21)" '[ "$lpt_ok" -eq 21 ]'
none_lpt=$(grep '^| Velmar VP-210 | Windows [^|]* | [^|]* | none |' out/matrix/matrix.md | grep -c ' on LPT1: | Velmar VP-210 | success')
check "without a printer the queue falls back to LPT1: ($none_lpt of 21)" '[ "$none_lpt" -eq 21 ]'
zh=$(grep -c '^| [^|]* | Windows [^|]* | Simplified |.*确定安装吗' out/matrix/matrix.md)
check "Simplified Chinese cells ask in Simplified Chinese ($zh of 42)" '[ "$zh" -eq 42 ]'
com=$(grep '^| Velmar VP-350S | Windows [^|]* | [^|]* | USB |' out/matrix/matrix.md | grep -c ' on COM1: | Velmar VP-350S | success')
check "the serial model found on USB still gets its default port COM1: ($com of 21)" '[ "$com" -eq 21 ]'
x64=$(grep -l 'Quenset64' out/matrix/cells/*x64*.txt | wc -l)
check "64-bit cells hand over to the 64-bit setup ($x64 of 54)" '[ "$x64" -eq 54 ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
