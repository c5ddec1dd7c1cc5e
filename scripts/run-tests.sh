#!/usr/bin/env bash
# The one command that runs every test on a fresh Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --no-asan  # the sanitizer build waits for the test run
exec scripts/test-all.sh
