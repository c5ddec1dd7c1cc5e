#!/bin/bash
# Builds and runs one libFuzzer target of tests/fuzz for a number of seconds:
#   scripts/fuzz.sh inf_reader_fuzz 600
# Targets: inf_reader_fuzz, options_fuzz, profile_fuzz, machine_file_fuzz, user_script_fuzz,
# jpeg_fuzz.
# The corpus (build/fuzz/corpus/NAME) is seeded from samples/medium (and
# tests/fuzz/seeds/NAME if there is one) and the program's pictures, and kept
# between runs; crashes land in build/fuzz/crashes/NAME.
set -u
name=${1:?usage: fuzz.sh NAME SECONDS}
seconds=${2:?usage: fuzz.sh NAME SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}

if [ ! -f "$root/tests/fuzz/$name.cpp" ]; then
  echo "no target tests/fuzz/$name.cpp" >&2; exit 2
fi
if ! command -v clang++ >/dev/null; then
  echo "installing clang"
  sudo apt-get install -y clang >/dev/null || apt-get install -y clang >/dev/null || exit 2
fi

build=$root/build/fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DOUT_DIR="$root/out/host-fuzz" -DCMAKE_CXX_FLAGS=-Wno-error >/dev/null || exit 2
fi
ninja -C "$build" -j"$jobs" "$name" >"$build/$name-build.log" 2>&1 || {
  tail -30 "$build/$name-build.log"; echo "build of $name failed"; exit 2; }

corpus=$build/corpus/$name
crashes=$build/crashes/$name
mkdir -p "$corpus" "$crashes"
# Seeds: every text file of the sample medium (install.ini, the INFs, readmes),
# and the program's pictures.
for f in "$root"/samples/medium/* "$root"/tests/fuzz/seeds/"$name"/*; do
  [ -f "$f" ] && cp -n "$f" "$corpus/seed-$(basename "$f")"
done
if ninja -C "$build" pictures >/dev/null 2>&1; then
  for f in "$build"/generated/res/*; do cp -n "$f" "$corpus/seed-$(basename "$f")"; done
fi

log=$build/$name.log
echo "fuzzing $name for $seconds s (log $log)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$root/out/host-fuzz/fuzz/$name" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" >"$log" 2>&1
rc=$?
execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
[ -z "$execs" ] && execs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#')
cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
echo "$name: executions=${execs:-0} ${cov:-} corpus=$(ls "$corpus" | wc -l)"
if [ $rc -eq 0 ]; then
  echo "$name: result=no crash in $seconds s"
else
  echo "$name: result=FAILED (exit $rc); artefacts:"; ls "$crashes"
  grep -m5 -E 'ERROR|SUMMARY|runtime error' "$log"
fi
exit $rc
