#!/usr/bin/env bash
# The installation matrix as a verdict, on the simulated Windows: a medium
# without faults passes every cell and exits 0; the sample medium with one
# INF missing fails those cells, shows where the serial model's queue will not
# print, and exits 1; bad input exits 2. The tables stay in out/matrix and
# out/matrix-clean (matrix.md, matrix.html, cells/).
# SETUP_SIM chooses the program (default out/host/setup-sim).
set -uo pipefail
cd "$(dirname "$0")/../.."
SIM=${SETUP_SIM:-out/host/setup-sim}
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }

# The sample medium with the built pieces at their places (as assemble-medium
# puts them); the sim needs only that the files exist.
make_medium() {  # DIR
  rm -rf "$1"
  mkdir -p "$1"
  cp -r samples/medium/. "$1/"
  mkdir -p "$1/i386" "$1/X64"
  for f in i386/drvkit.dll i386/devcon.exe X64/drvkit64.dll X64/devcon.exe X64/Quenset64.exe; do : >"$1/$f"; done
}

# Without faults: the USB and parallel model alone.
clean=out/matrix-clean-medium
make_medium "$clean"
sed -i '/^\[VP350S\]/,$d' "$clean/install.ini"
summary=$("$SIM" --matrix "$clean" --out out/matrix-clean); rc=$?
check "a medium without faults passes every cell and exits 0 (exit $rc: $summary)" \
  '[ $rc -eq 0 ] && [[ $summary == *"63 cells: 63 pass, 0 will not print, 0 no queue, 0 failed"* ]]'

# The sample medium with the first model's INF gone.
medium=out/matrix-medium
make_medium "$medium"
rm "$medium/VP210.inf" "$medium/ReadmeCHT.txt"
rm -rf out/matrix
summary=$("$SIM" --matrix "$medium" --out out/matrix); rc=$?
md=out/matrix/matrix.md
check "a missing INF fails its 63 cells, the serial model on USB or LPT1 will not print: exit 1 ($summary)" \
  '[ $rc -eq 1 ] && [[ $summary == *"147 cells: 42 pass, 42 will not print, 0 no queue, 63 failed"* ]]'
check "... one pass count a model, in the output and the table" \
  '[[ $summary == *"Velmar VP-350S: 42 of 84 pass"* ]] && grep -q "^## Velmar VP-350S: 42 of 84 pass$" $md &&
   grep -q "^## model 0 (no model name from VP210.inf): 0 of 63 pass$" $md'
grid=$(awk '/^## Velmar VP-350S/{on=1} on && /^### Simplified/{n=1} n && /^### Traditional/{exit} n' $md |
       sed -n '/^| Windows/,/^$/p')
check "a grid a language: Windows down, the connections across, COM1 for the serial model" \
  '[ "$(head -1 <<<"$grid")" = "| Windows | USB | LPT1 | COM1 | none |" ] && [ "$(grep -c "^| [0-9XP]" <<<"$grid")" -eq 7 ]'
check "... its USB cells will not print, with both ports named" \
  '[ "$(grep -c "| \[will not print: queue on COM1:, printer on USB001\](cells/1-" <<<"$grid")" -eq 7 ]'
check "... its COM1 cells pass, the search finding the printer there" \
  '[ "$(grep -c "| \[pass: COM1:\](cells/1-" <<<"$grid")" -eq 7 ]'
check "... and the parallel model has no COM1 column" \
  '! awk "/^## model 0/,/^## Velmar/" $md | grep -q "| COM1 |"'
check "the model without its INF fails with the library's error in every cell" \
  '[ "$(grep -c "^| model 0 [^|]* | Windows [^|]* | [^|]* | [^|]* | failed: failed 0x[0-9A-F]\{8\} | " $md)" -eq 63 ]'
zh=$(awk '/^## Velmar VP-350S/{on=1} on && /^### Simplified/{n=1} n && /^Hint:/{print; exit}' $md)
check "each language shows the model's hint as that system shows it ($zh)" '[[ $zh == *"使用串口 (COM1)"* ]]'
check "... and its guide, linked, marked when it is not on the medium" \
  'grep -q "^Documents: install guide \[ReadmeCN.txt\](file://.*/ReadmeCN.txt);$" $md &&
   grep -q "^Documents: install guide \[ReadmeCHT.txt\](file://.*/ReadmeCHT.txt) (not on the medium);$" $md'
zh=$(grep -c '^| [^|]* | Windows [^|]* | Simplified |.*确定安装吗' $md)
check "Simplified Chinese cells ask in Simplified Chinese ($zh of 49)" '[ "$zh" -eq 49 ]'
check "the HTML colours each cell by its verdict" \
  '[ "$(grep -o "<td class=\"wnp\"><a href" out/matrix/matrix.html | wc -l)" -eq 42 ] &&
   [ "$(grep -o "<td class=\"fail\"><a href" out/matrix/matrix.html | wc -l)" -eq 63 ]'
check "each cell keeps its machine file and transcript" \
  '[ "$(ls out/matrix/cells/*.txt | wc -l)" -eq 147 ] && [ "$(ls out/matrix/cells/*.ini | wc -l)" -eq 147 ]'
x64=$(grep -l 'Quenset64' out/matrix/cells/1-*x64*.txt | wc -l)
check "64-bit cells hand over to the 64-bit setup ($x64 of 36)" '[ "$x64" -eq 36 ]'

# Bad input: exit 2 with a word, and no table.
rm -rf out/matrix-bad
err=$("$SIM" --matrix out/no-such-medium --out out/matrix-bad 2>&1); rc=$?
check "a missing medium exits 2 ($err)" '[ $rc -eq 2 ] && [[ $err == *"no medium at"* ]] && [ ! -e out/matrix-bad ]'
printf 'press TMainForm.BbtnStart\nhover\n' >out/matrix-bad.script
err=$("$SIM" --matrix "$clean" --out out/matrix-bad --user out/matrix-bad.script 2>&1); rc=$?
check "a user script that does not parse exits 2 ($err)" '[ $rc -eq 2 ] && [[ $err == *"line 2: usage: hover"* ]]'
rm -f out/matrix-bad.script

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
