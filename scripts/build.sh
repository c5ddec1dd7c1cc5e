#!/usr/bin/env bash
# Builds the three builds and assembles out/medium:
#   host   setup-sim, the unit and contract suites (and once more with ASan/UBSan)
#   win32  the shipped Setup.exe, its stand-ins, the i686 contract suite and GUI driver
#   win64  the x64 stand-ins (helper library, sibling setup, devcon) and the x64 contract suite
# --no-asan leaves out the sanitizer build (the demo needs none of it); --asan
# builds only that (the test run builds it beside the GUI suites, which mostly wait).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
asan=1 rest=1
case ${1:-} in
  --no-asan) asan=0 ;;
  --asan) rest=0 ;;
  "") ;;
  *) echo "usage: build.sh [--no-asan | --asan]" >&2; exit 2 ;;
esac
if [ $rest = 1 ]; then
  cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  ninja -C build/host -j"$jobs"
fi
if [ $asan = 1 ]; then
  # The host suites once more with ASan and UBSan: unit, contract and the fault sweep.
  cmake -S . -B build/host-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON \
        -DOUT_DIR="$PWD/out/host-asan" >/dev/null
  ninja -C build/host-asan -j"$jobs" unit contract drvkit_tests fault-sweep
fi
[ $rest = 1 ] || exit 0
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win32 -j"$jobs"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win64 -j"$jobs"
scripts/assemble-medium.sh
