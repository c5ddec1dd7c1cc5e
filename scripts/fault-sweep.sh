#!/usr/bin/env bash
# Every system call of several whole installations failed in turn, on the
# simulated machine (tools/fault-sweep, scenarios in tests/sweep):
#   scripts/fault-sweep.sh [--asan] [--only NAME] [--verbose]
# With --asan the ASan/UBSan build (out/host-asan) runs it; a report of
# either stops the run it happens in, which then counts as a crash.
# Ends with "N runs, C crashes, H hangs, L leaks, S silent, W wrong" and
# "P passed, F failed"; fails on any count but N. FAULT_SWEEP_BIN names
# another build's binary (with --asan as well).
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${FAULT_SWEEP_BIN:-out/host/fault-sweep}
if [ "${1:-}" = --asan ]; then bin=${FAULT_SWEEP_BIN:-out/host-asan/fault-sweep}; shift; fi
if [ ! -x "$bin" ]; then
  echo "FAIL $bin is not built (scripts/build.sh builds it)"
  echo "0 passed, 1 failed"
  exit 1
fi

tmp=$(mktemp -d /tmp/fault-sweep.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
# The sample medium with stand-in files for the built pieces, and a model
# with a Windows service; a second copy installs its first model by itself.
m=$tmp/default
cp -r samples/medium "$m"
mkdir -p "$m/i386" "$m/X64" "$m/Svc"
for f in i386/drvkit.dll i386/devcon.exe i386/PKPrnUni.exe i386/Setup X64/drvkit64.dll X64/devcon.exe \
         X64/Quenset64.exe Svc/PrnSvc.exe; do : >"$m/$f"; done
cat >>"$m/install.ini" <<'INI'

[VP210S]
InstallSettingFile2K=VP210.inf
InstallGuide2=ReadmeEN.txt
Hint2=The Velmar VP-210 with its status service.
SelectPort=1
DefaultPortName=USB001
InstallDll2K=i386\drvkit.dll
UnInstallImage2K=i386\PKPrnUni.exe
ServiceName=PrnSvc
ServiceExe=Svc\PrnSvc.exe
ForceUninstallService=1
PrintProcess=WinPrint
INI
cp -r "$m" "$tmp/auto"
sed -i '0,/^AutoMode=0/s//AutoMode=1/' "$tmp/auto/install.ini"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}
sweep() { "$bin" --medium "$tmp" --scenarios tests/sweep --silent tests/sweep/silent.txt "$@"; }
passed=0 failed=0

# The sweep's own checks: a run made to crash, hang, keep a handle open or
# log a success with its queue gone is counted as such.
for k in crash hang leak wrong; do
  out=$(sweep --only auto --limit 2 --wall 2 --inject "$k" 2>/dev/null | tail -2 | head -1)
  case $k in crash) want="3 runs, 2 crashes, 0 hangs, 0 leaks, 0 silent, 0 wrong" ;;
             hang) want="3 runs, 0 crashes, 2 hangs, 0 leaks, 0 silent, 0 wrong" ;;
             leak) want="3 runs, 0 crashes, 0 hangs, 2 leaks, 0 silent, 0 wrong" ;;
             wrong) want="3 runs, 0 crashes, 0 hangs, 0 leaks, 0 silent, 2 wrong" ;; esac
  if [ "$out" = "$want" ]; then passed=$((passed + 1)); echo "ok   an injected $k is counted"
  else failed=$((failed + 1)); echo "FAIL an injected $k is counted: $out"; fi
done

sweep "$@" | tee "$tmp/sweep.out"
rc=${PIPESTATUS[0]}
line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$tmp/sweep.out" | tail -1)
p=$(awk '{print $1}' <<<"$line")
f=$(awk '{print $3}' <<<"$line")
f=${f:-1}
[ "$rc" != 0 ] && [ "$f" = 0 ] && f=1
echo "$((passed + ${p:-0})) passed, $((failed + f)) failed"
[ $((failed + f)) -eq 0 ]
