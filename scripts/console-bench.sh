#!/usr/bin/env bash
# Measures the wire protocol (type 4 requests: answers per second, median and
# 99th percentile time to answer) on a scratch copy of the example project,
# first alone, then while a headless browser watches the operator console's
# live packet page. SECONDS_PER_RUN (default 10) and CLIENTS (default 4).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh >/dev/null
seconds=${SECONDS_PER_RUN:-10}
clients=${CLIENTS:-4}
port=58668
console=58669
scratch=$(pwd)/scratch/console-bench
rm -rf "$scratch"
mkdir -p "$scratch"
build/bin/make-example-project examples "$scratch/project"
sed -i "s/^ActiveXServerPort=58658/ActiveXServerPort=$port/;s/^ActiveXConsolePort=58659/ActiveXConsolePort=$console/" \
  "$scratch/project/Orlund_Server.ini"
ORLUND_REGISTRY_ROOT="$scratch/registry" XDG_CONFIG_HOME="$scratch/config" \
  build/bin/orlund-activex-server "/PATH:$scratch/project" >"$scratch/server.out" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q "Operator console" "$scratch/server.out" && break
  sleep 0.1
done

# One run of the load; then the server's own CPU time per answer, which the
# other programs on the machine (the browser among them) do not change.
load() {
  local before after answers
  before=$(awk '{print $14 + $15}' "/proc/$server/stat")
  build/bin/wire-rate --port "$port" --clients "$clients" --seconds "$seconds" | tee "$scratch/rate.out"
  after=$(awk '{print $14 + $15}' "/proc/$server/stat")
  answers=$(awk '{print $1}' "$scratch/rate.out")
  awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v n="$answers" \
    'BEGIN { printf "server CPU time per answer: %.1f us\n", t * 1e6 / hz / n }'
}

echo "== without a browser"
load

echo "== with a browser on the live packet page"
/usr/bin/python3 scripts/console-watch.py "http://127.0.0.1:$console" admin "$((seconds + 2))" \
  >"$scratch/watch.out" 2>&1 &
watcher=$!
# The load starts once the page is live.
for _ in $(seq 300); do
  grep -q "watching" "$scratch/watch.out" && break
  sleep 0.1
done
load
wait "$watcher"
cat "$scratch/watch.out"
