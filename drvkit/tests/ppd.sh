#!/usr/bin/env bash
# The sample medium's PPDs pass cupstestppd (Debian's cups-client), every
# warning counted as a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
passed=0 failed=0
if ! command -v cupstestppd >/dev/null; then
  echo "FAIL cupstestppd: not installed (apt-get install cups-client)"
  echo "0 passed, 1 failed"
  exit 1
fi
for ppd in samples/medium/*.PPD; do
  if out=$(cupstestppd -W all "$ppd" 2>&1) && ! grep -q WARN <<<"$out"; then
    echo "ok $ppd"; passed=$((passed + 1))
  else
    echo "FAIL $ppd: $(tr '\n' ' ' <<<"$out")"; failed=$((failed + 1))
  fi
done
[ "$passed" -gt 0 ] || { echo "FAIL no PPD in samples/medium"; failed=$((failed + 1)); }
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
