#!/usr/bin/env bash
# Builds everything and runs every test (unit and integration).
# ORLUND_SANITIZE=1 does the same in build-asan/ under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
dir=build
[ "${ORLUND_SANITIZE:-0}" = 1 ] && dir=build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
