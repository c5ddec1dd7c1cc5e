#!/usr/bin/env bash
# Runs every suite (host unit and contract tests, the contract tests under
# Wine, the GUI tests under Wine + Xvfb) and ends with one line:
#   N passed, M failed
set -uo pipefail
cd "$(dirname "$0")/.."
passed=0
failed=0
top=$(pwd)
logdir=out/test-logs
mkdir -p "$logdir"

# Adds the counts of one GoogleTest run; a run that died counts as one failure.
count_gtest() {  # name logfile exitcode
  local p f
  p=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$2" | tail -1 | grep -oE '[0-9]+' | head -1)
  f=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$2" | tail -1 | grep -oE '[0-9]+' | head -1)
  p=${p:-0}
  f=${f:-0}
  if [ "$3" != 0 ] && [ "$f" = 0 ]; then f=1; echo "$1: exited with $3 without a test summary"; fi
  echo "$1: $p passed, $f failed"
  passed=$((passed + p))
  failed=$((failed + f))
}

run_gtest() {  # name command...
  local name=$1
  shift
  "$@" >"$top/$logdir/$name.log" 2>&1
  local rc=$?
  grep -E '^\[  FAILED  \]' "$top/$logdir/$name.log" | sort -u | head -40
  count_gtest "$name" "$top/$logdir/$name.log" $rc
}

# Adds the counts of a script suite that ends with "N passed, M failed".
run_script() {  # name command...
  local name=$1
  shift
  "$@" >"$top/$logdir/$name.log" 2>&1
  local rc=$?
  local line
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$top/$logdir/$name.log" | tail -1)
  local p f
  p=$(echo "$line" | awk '{print $1}')
  f=$(echo "$line" | awk '{print $3}')
  p=${p:-0}
  f=${f:-0}
  if [ "$rc" != 0 ] && [ "$f" = 0 ]; then f=1; fi
  grep -E '^FAIL' "$top/$logdir/$name.log" | head -20
  echo "$name: $p passed, $f failed"
  passed=$((passed + p))
  failed=$((failed + f))
}

run_gtest host-unit out/host/tests/unit
run_gtest host-contract out/host/tests/contract
if [ -x out/host-asan/tests/unit ]; then
  run_gtest host-unit-asan out/host-asan/tests/unit
fi

export WINEDEBUG=-all
export WINEPREFIX=$(mktemp -d /tmp/wineprefix.XXXXXX)
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
# The contract tests run from their own folder, where the stand-ins are put.
cp out/win64/standins/*.exe out/win64/tests/ 2>/dev/null || true
cp out/win64/standins/*.dll out/win64/tests/ 2>/dev/null || true
pushd out/win64/tests >/dev/null
run_gtest wine-contract /usr/lib/wine/wine64 contract.exe
popd >/dev/null
for s in tests/gui/*.sh; do
  [ -f "$s" ] || continue
  run_script "gui-$(basename "$s" .sh)" bash "$s"
done
/usr/lib/wine/wine64 wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
