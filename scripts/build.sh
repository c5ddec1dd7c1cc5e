#!/usr/bin/env bash
# Builds the three builds (host, win64, win32) and assembles out/medium.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C build/host -j"$jobs"
# The unit tests once more with ASan and UBSan (test-all.sh runs them when present).
cmake -S . -B build/host-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON \
      -DOUT_DIR="$PWD/out/host-asan" >/dev/null
ninja -C build/host-asan -j"$jobs" unit
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win64 -j"$jobs"
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win32 -j"$jobs" Setup
ninja -C build/win32 -j"$jobs" standin_webprnctl  # the control for i386\
scripts/assemble-medium.sh
