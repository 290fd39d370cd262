#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with ORLUND_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
dir=build
flags=()
if [ "${ORLUND_SANITIZE:-0}" = 1 ]; then
  dir=build-asan
  flags+=(-DORLUND_SANITIZE=ON)
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
