#!/usr/bin/env bash
# Fails when a C++ file of the tree does not follow .clang-format, naming the
# files; `scripts/check-format.sh --fix` formats them.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/fuzz/shim/')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# One call for the whole tree; only when it finds something, one a file to name them.
if clang-format --dry-run --Werror "${files[@]}" >/dev/null 2>&1; then
  echo "${#files[@]} passed, 0 failed"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "FAIL not formatted: $f (scripts/check-format.sh --fix)"
    bad=$((bad + 1))
  fi
done
echo "$((${#files[@]} - bad)) passed, $bad failed"
[ "$bad" = 0 ]
