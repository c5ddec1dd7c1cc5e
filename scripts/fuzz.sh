#!/bin/bash
# Builds and runs the libFuzzer targets of tests/fuzz (not part of the test run):
#   scripts/fuzz.sh inf_reader_fuzz 600     one target for 600 s
#   scripts/fuzz.sh all 600                 every target in turn, 600 s each
# Each target ends with one line:
#   NAME: executions=N exec/s=R cov=C findings=F total=N full=N
# The corpus (build/fuzz/corpus/NAME) is seeded from samples/medium,
# tests/fuzz/seeds/NAME, the program's pictures and long inputs made here (a value past 2048 bytes,
# a section list past 16384 bytes, a line of 70 000 characters), and kept
# between runs; crashes land in build/fuzz/crashes/NAME. MAX_LEN (default
# 131072) bounds an input; it must stay above the longest seed.
# Rounds of shorter inputs (MAX_LEN=20000 scripts/fuzz.sh NAME SECONDS: still
# past the largest buffer the program reads into, 16384 bytes) run several
# times faster on the readers whose cost grows with the input. They keep a
# corpus of their own (build/fuzz/corpus/NAME.maxN, started from the inputs of
# the full corpus that fit) and leave the long seeds out.
# Every round adds its executions to build/fuzz/executions/NAME (with its
# max_len), and the line ends with the sum over all rounds so far (total=N)
# and the part of it run at the full length (full=N).
# WORKERS=N runs N processes of the target at once over its corpus (one per
# core); the round's executions and exec/s are their sums.
# The simulated machines keep their files in a sandbox folder: it goes to
# memory (/dev/shm) when there is one, as on disk every rewrite of an input
# waits for the file system, and the targets ran up to eighty times slower.
set -u
target=${1:?usage: fuzz.sh NAME|all SECONDS}
seconds=${2:?usage: fuzz.sh NAME|all SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}
fulllen=131072
maxlen=${MAX_LEN:-$fulllen}
workers=${WORKERS:-1}
build=$root/build/fuzz
if [ -z "${FUZZ_TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then FUZZ_TMPDIR=/dev/shm; fi
sandbox=$(mktemp -d "${FUZZ_TMPDIR:-${TMPDIR:-/tmp}}/fuzz.XXXXXX") || exit 2
trap 'rm -rf "$sandbox"' EXIT

if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing (apt-get install clang)" >&2; exit 2
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DOUT_DIR="$root/out/host-fuzz" -DCMAKE_CXX_FLAGS=-Wno-error >/dev/null || exit 2
fi

# Long inputs every target starts from, whatever it reads.
long_seeds() {  # folder
  local d=$1 i
  {
    printf '[VP210]\r\nHint2='; head -c 3000 /dev/zero | tr '\0' 'h'; printf '\r\nInstallSettingFile2K=VP210.inf\r\n'
  } >"$d/seed-long-value"
  for i in $(seq 1 1500); do printf '[Section%05d]\r\nKey=%d\r\n' "$i" "$i"; done >"$d/seed-many-sections"
  { printf '[Models]\r\n"Velmar VP-210" = VP210,LPTENUM\\'; head -c 70000 /dev/zero | tr '\0' 'x'; printf ',USBPRINT\\X\r\n'; } \
    >"$d/seed-long-line"
  { printf ' /Handle 1234 /Dll "'; head -c 3000 /dev/zero | tr '\0' 'd'; printf '" /Inf "..\\VP.inf" /HWID VP-210'; } \
    >"$d/seed-long-command"
}

# The first worker's log keeps the name it always had.
log_of() {  # name worker
  if [ "$2" -eq 1 ]; then echo "$build/$1.log"; else echo "$build/$1.$2.log"; fi
}

fuzz_one() {  # name seconds
  local name=$1 secs=$2
  if [ ! -f "$root/tests/fuzz/$name.cpp" ]; then
    echo "no target tests/fuzz/$name.cpp" >&2; return 2
  fi
  ninja -C "$build" -j"$jobs" "$name" >"$build/$name-build.log" 2>&1 || {
    tail -30 "$build/$name-build.log"; echo "$name: build failed"; return 2; }
  local corpus=$build/corpus/$name crashes=$build/crashes/$name f
  mkdir -p "$corpus" "$crashes"
  if [ "$maxlen" -lt "$fulllen" ]; then
    corpus=$build/corpus/$name.max$maxlen
    mkdir -p "$corpus"
    find "$build/corpus/$name" -maxdepth 1 -type f -size -$((maxlen + 1))c -exec cp -n {} "$corpus/" \;
  fi
  for f in "$root"/samples/medium/* "$root"/tests/fuzz/seeds/"$name"/*; do
    [ -f "$f" ] && cp -n "$f" "$corpus/seed-$(basename "$f")"
  done
  [ "$maxlen" -ge "$fulllen" ] && long_seeds "$corpus"
  # The program's pictures (for the JPEG decoder, and as odd bytes for the rest).
  if ninja -C "$build" pictures >/dev/null 2>&1; then
    for f in "$build"/generated/res/*; do [ -f "$f" ] && cp -n "$f" "$corpus/seed-$(basename "$f")"; done
  fi
  local before i log rc=0 execs=0 rate=0 cov=0 findings n r c
  before=$(ls "$crashes" | wc -l)
  # WORKERS processes share the corpus and reread it every ten seconds for
  # what the others found; a single one never rereads it (libFuzzer's
  # default lists it again every second). Each has its own sandbox and log.
  local reload=0
  [ "$workers" -gt 1 ] && reload=10
  for i in $(seq 1 "$workers"); do
    mkdir -p "$sandbox/w$i"
    TMPDIR=$sandbox/w$i ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:malloc_context_size=5 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      "$root/out/host-fuzz/fuzz/$name" -max_total_time="$secs" -max_len="$maxlen" -timeout=10 -rss_limit_mb=2048 -reload=$reload \
      -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" >"$(log_of "$name" "$i")" 2>&1 &
  done
  for i in $(seq 1 "$workers"); do wait -n || rc=$?; done
  for i in $(seq 1 "$workers"); do
    log=$(log_of "$name" "$i")
    n=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    [ -z "$n" ] && n=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    r=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    c=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
    execs=$(( execs + ${n:-0} )); rate=$(( rate + ${r:-0} ))
    [ "${c:-0}" -gt "$cov" ] && cov=$c
  done
  findings=$(( $(ls "$crashes" | wc -l) - before ))
  # A round that ended early (a finding, a timeout) still counts what it ran.
  mkdir -p "$build/executions"
  local extra=""
  [ "$workers" -gt 1 ] && extra=" workers=$workers"
  echo "$(date -u +%FT%TZ) $execs $rate $secs max_len=$maxlen$extra" >>"$build/executions/$name"
  local total full
  total=$(awk '{ n += $2 } END { print n + 0 }' "$build/executions/$name")
  # Rounds written before the length was recorded ran at the full length.
  full=$(awk -v f="max_len=$fulllen" 'NF < 5 || $5 == f { n += $2 } END { print n + 0 }' \
           "$build/executions/$name")
  echo "$name: executions=$execs exec/s=$rate cov=$cov findings=$findings total=$total full=$full"
  if [ $rc -ne 0 ]; then
    # Name the worker that stopped; the others ran their time out.
    local named=0
    for i in $(seq 1 "$workers"); do
      log=$(log_of "$name" "$i")
      grep -q -E 'ERROR|runtime error' "$log" || continue
      echo "$name: FAILED (exit $rc), log $log"
      grep -m5 -E 'ERROR|SUMMARY|runtime error' "$log"
      named=1
    done
    if [ $named -eq 0 ]; then
      local logs=""
      for i in $(seq 1 "$workers"); do logs="$logs $(log_of "$name" "$i")"; done
      echo "$name: FAILED (exit $rc), logs$logs"
    fi
  fi
  return $rc
}

if [ "$target" = all ]; then
  status=0
  for src in "$root"/tests/fuzz/*_fuzz.cpp; do
    fuzz_one "$(basename "$src" .cpp)" "$seconds" || status=1
  done
  exit $status
fi
fuzz_one "$target" "$seconds"
