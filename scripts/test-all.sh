#!/usr/bin/env bash
# Runs every suite (host unit and contract tests, the contract tests under
# Wine, the GUI tests under Wine + Xvfb) and ends with one line:
#   N passed, M failed, K skipped
set -uo pipefail
cd "$(dirname "$0")/.."
passed=0
failed=0
top=$(pwd)
logdir=out/test-logs
mkdir -p "$logdir"

# Adds the counts of one suite's log: a GoogleTest run ("[  PASSED  ] N
# tests", "[  FAILED  ] M tests") or a script ending with "N passed, M
# failed"; one that exited with an error but counted no failure counts one.
count_suite() {  # gtest|script name logfile exitcode
  local p f
  if [ "$1" = gtest ]; then
    p=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$3" | tail -1 | grep -oE '[0-9]+' | head -1)
    f=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$3" | tail -1 | grep -oE '[0-9]+' | head -1)
  else
    read -r p _ f _ < <(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$3" | tail -1)
    grep -E '^FAIL' "$3" | head -20
  fi
  p=${p:-0}
  f=${f:-0}
  if [ "$4" != 0 ] && [ "$f" = 0 ]; then
    f=1
    [ "$1" = gtest ] && echo "$2: exited with $4 without a test summary"
  fi
  echo "$2: $p passed, $f failed"
  passed=$((passed + p))
  failed=$((failed + f))
}
count_gtest() { count_suite gtest "$@"; }
count_script() { count_suite script "$@"; }

run_gtest() {  # name command...
  local name=$1
  shift
  "$@" >"$top/$logdir/$name.log" 2>&1
  local rc=$?
  grep -E '^\[  FAILED  \]' "$top/$logdir/$name.log" | sort -u | head -40
  count_gtest "$name" "$top/$logdir/$name.log" $rc
}

run_script() {  # name command...
  local name=$1
  shift
  "$@" >"$top/$logdir/$name.log" 2>&1
  count_script "$name" "$top/$logdir/$name.log" $?
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver64

# The shipped program is i686: it runs where the kernel runs 32-bit programs
# and 32-bit Wine starts (WINE32 names another Wine, e.g. one that cannot
# start, to try the other kind of machine). Where it does not, its suites are
# skipped with the reason, never counted as passed, and the x64 build of the
# same sources (out/win64/Setup.exe on out/medium-x64) stands in for it in
# every GUI suite that is not about WoW64.
wine32=${WINE32:-/usr/lib/wine/wine}
export WINE32=$wine32
skipped=0
can32=1
why32="this machine does not run 32-bit programs"
if [ ! -e "$wine32" ]; then
  can32=0
  why32="32-bit Wine is not installed ($wine32 is missing; scripts/deps.sh could not install wine32)"
  echo "$why32: the 32-bit suites are skipped, the x64 vehicle stands in for the shipped program"
elif ! "$wine32" --version >/dev/null 2>&1; then
  can32=0
  echo "$why32 ($wine32 does not start): the 32-bit suites are skipped, the x64 vehicle stands in for the shipped program"
fi
skip32() {  # name
  echo "$1: skipped: $why32"
  skipped=$((skipped + 1))
}

# The GUI suites run the shipped program in a prefix of their own, in the
# Windows settings their header names ("# settings: win32 wow64 x64"; without
# one, a 32-bit Windows). x64 is the vehicle: named in a header, it runs on
# every machine, so that the fallback cannot rot unseen; without 32-bit it
# also stands in for win32. The suites mostly wait for windows, so two run
# at a time, each on its own display and prefix; a suite whose header says
# "# alone:" runs by itself afterwards. They are counted in order.
gui_jobs=()
for s in tests/gui/*.sh; do
  [ -f "$s" ] || continue
  settings=$(sed -n 's/^# settings://p' "$s" | head -1)
  settings=${settings:-win32}
  base=$(basename "$s" .sh)
  for setting in $settings; do
    if [ $can32 = 1 ] || [ "$setting" = x64 ]; then
      gui_jobs+=("gui-$setting-$base $setting $s")
      continue
    fi
    skip32 "gui-$setting-$base"
    if [ "$setting" = win32 ] && ! grep -qw x64 <<<"$settings"; then
      gui_jobs+=("gui-x64-$base x64 $s")
    fi
  done
done
gui_run() {  # name setting suite: its log and exit code under $logdir
  env GUI_WINDOWS="$2" timeout 1200 bash "$3" >"$top/$logdir/$1.log" 2>&1
  echo $? >"$top/$logdir/$1.rc"
}
gui_pool() {
  local job name setting suite
  for job in "${gui_jobs[@]}"; do
    read -r name setting suite <<<"$job"
    grep -q '^# alone:' "$suite" && continue
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    gui_run "$name" "$setting" "$suite" &
  done
  wait
}
for job in "${gui_jobs[@]}"; do
  read -r name setting suite <<<"$job"
  rm -f "$top/$logdir/$name.rc"
done
# Started now, they run beside the host suites below.
gui_pool &
gui_pool_pid=$!

run_gtest host-unit out/host/tests/unit
run_gtest host-contract out/host/tests/contract
run_gtest host-drvkit out/host/tests/drvkit_tests
run_script ppd bash drvkit/tests/ppd.sh
# The release engineer's tools on the simulated machine.
for s in tests/sim/*.sh; do
  [ -f "$s" ] || continue
  run_script "sim-$(basename "$s" .sh)" bash "$s"
done
run_script release bash tests/release/release.sh
run_script format bash scripts/check-format.sh
# Every system call of whole installations failed in turn.
run_script fault-sweep bash scripts/fault-sweep.sh
# The host suites under ASan and UBSan, built now (the GUI suites beside it
# mostly wait for windows) or found up to date; a failed or missing
# sanitizer build is a failure.
if ! scripts/build.sh --asan >"$top/$logdir/build-asan.log" 2>&1; then
  echo "FAIL the sanitizer build failed (its log: $logdir/build-asan.log)"
  tail -20 "$top/$logdir/build-asan.log"
  failed=$((failed + 1))
fi
for t in tests/unit tests/contract tests/drvkit_tests fault-sweep; do
  if [ ! -x "out/host-asan/$t" ]; then
    echo "FAIL out/host-asan/$t is missing: scripts/build.sh --asan builds the sanitizer suites"
    failed=$((failed + 1))
  fi
done
[ -x out/host-asan/tests/unit ] && run_gtest host-unit-asan out/host-asan/tests/unit
[ -x out/host-asan/tests/contract ] && run_gtest host-contract-asan out/host-asan/tests/contract
[ -x out/host-asan/tests/drvkit_tests ] && run_gtest host-drvkit-asan out/host-asan/tests/drvkit_tests
[ -x out/host-asan/fault-sweep ] && run_script fault-sweep-asan bash scripts/fault-sweep.sh --asan

# A contract suite in a prefix of its own folder, beside its stand-ins: the
# ones of its own architecture, and the x64 sibling setup with the x64
# control (under another name) that the sibling can load.
run_contract() {  # name wine folder setting
  local name=$1 wine=$2 dir=$3
  cp out/win64/standins/Quenset64.exe out/win64/standins/drvkit64.dll "$dir/" 2>/dev/null
  cp out/win64/standins/WebPrnCtl.ocx "$dir/WebPrnCtl64.ocx" 2>/dev/null
  # sc and net are started from the system folder (the 32-bit one under
  # WoW64): their stand-ins go there, preferred to Wine's own.
  local system=$WINEPREFIX/drive_c/windows/system32
  [ "$4" = wow64 ] && system=$WINEPREFIX/drive_c/windows/syswow64
  cp "$dir/sc.exe" "$dir/net.exe" "$system/"
  pushd "$dir" >/dev/null
  run_gtest "$name" env CONTRACT_SETTING="$4" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;sc.exe,net.exe=n,b" \
    timeout 900 "$wine" contract.exe
  popd >/dev/null
}

# The two Windows settings, each in a prefix of its own.
work=$(mktemp -d /tmp/test-all.XXXXXX)
mkdir -p "$work/x64" "$work/win32" "$work/wow64"
cp out/win64/tests/contract.exe out/win64/standins/*.exe out/win64/standins/*.dll out/win64/standins/*.ocx "$work/x64/"
for d in win32 wow64; do
  cp out/win32/tests/contract.exe out/win32/standins/*.exe out/win32/standins/*.dll out/win32/standins/*.ocx "$work/$d/"
done

# 64-bit Windows: the x64 suite natively, the i686 suite under WoW64.
export WINEPREFIX=$work/prefix64
timeout 300 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
run_contract wine-x64-contract /usr/lib/wine/wine64 "$work/x64" native
if [ $can32 = 1 ]; then
  run_contract wine-wow64-contract "$wine32" "$work/wow64" wow64
else
  skip32 wine-wow64-contract
fi
timeout 30 $wineserver -k >/dev/null 2>&1 || true

# 32-bit Windows: the i686 suite.
if [ $can32 = 1 ]; then
  export WINEPREFIX=$work/prefix32 WINEARCH=win32
  timeout 300 "$wine32" wineboot -i >/dev/null 2>&1
  run_contract wine-win32-contract "$wine32" "$work/win32" win32
  timeout 30 $wineserver -k >/dev/null 2>&1 || true
  unset WINEARCH
else
  skip32 wine-win32-contract
fi
unset WINEPREFIX
rm -rf "$work"

wait "$gui_pool_pid"
for job in "${gui_jobs[@]}"; do
  read -r name setting suite <<<"$job"
  grep -q '^# alone:' "$suite" && gui_run "$name" "$setting" "$suite"
done
gui_ran=0
for job in "${gui_jobs[@]}"; do
  read -r name setting suite <<<"$job"
  before=$passed
  count_script "$name" "$top/$logdir/$name.log" "$(cat "$top/$logdir/$name.rc" 2>/dev/null || echo 1)"
  [ "$passed" -gt "$before" ] && gui_ran=$((gui_ran + 1))
done
if [ "$gui_ran" = 0 ]; then
  echo "FAIL no GUI suite ran: neither the shipped program nor the x64 vehicle"
  failed=$((failed + 1))
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
