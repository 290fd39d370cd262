#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with ORLUND_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
dir=build
flags=(-G Ninja)
if [ "${ORLUND_SANITIZE:-0}" = 1 ]; then
  dir=build-asan
  flags+=(-DORLUND_SANITIZE=ON)
fi
# ccache, when present, makes rebuilds of unchanged files free.
command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# A folder configured by another generator is configured afresh.
if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
  rm -rf "$dir"
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
