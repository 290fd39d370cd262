#!/usr/bin/env bash
# Runs one scenario of build/bin/orlund-stress (or every one with "all")
# against the server on a scratch copy of the example project, port 28678
# (below the range the system hands out to outgoing connections; the next
# one when it is taken), and stops the server afterwards. Fails when
# orlund-stress fails or the server does not stop cleanly; "all" runs every
# scenario even after a failure.
#   ./scripts/stress.sh SCENARIO SECONDS [orlund-stress options...]
set -euo pipefail
cd "$(dirname "$0")/.."
scenario=${1:?usage: stress.sh SCENARIO|all SECONDS [options]}
seconds=${2:?usage: stress.sh SCENARIO|all SECONDS [options]}
shift 2
if [ "$scenario" = all ]; then
  status=0
  for s in churn stalled-readers partial-packets huge-table password-guessing command-flood \
    malformed mixed; do
    "$0" "$s" "$seconds" "$@" || status=1
  done
  exit "$status"
fi

bin=$(pwd)/build/bin
scratch=$(pwd)/scratch/stress
export ORLUND_REGISTRY_ROOT=$scratch/registry
export XDG_CONFIG_HOME=$scratch/config
export ORLUND_COMMAND_QUEUE=$scratch/queue

# Starts the server on a fresh project on port $1; false when it did not start.
start_server() {
  rm -rf "$scratch"
  mkdir -p "$scratch"
  "$bin/make-example-project" examples "$scratch/project" >/dev/null
  sed -i -e "s/^ActiveXServerPort=.*/ActiveXServerPort=$1/" \
    -e "s/^ActiveXConsolePort=.*/ActiveXConsolePort=0/" "$scratch/project/Orlund_Server.ini"
  "$bin/orlund-activex-server" "/PATH:$scratch/project" >"$scratch/server.out" \
    2>"$scratch/server.err" &
  server=$!
  for _ in $(seq 100); do
    grep -q "version" "$scratch/server.out" 2>/dev/null && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$server" 2>/dev/null
}

started=false
for port in 28678 28679 28680 28681; do
  if start_server "$port"; then
    started=true
    break
  fi
  wait "$server" || true
  grep -q "already in use" "$scratch/server.err" || break
done
if [ "$started" != true ]; then
  echo "stress.sh: the server did not start" >&2
  cat "$scratch/server.err" >&2
  exit 1
fi

status=0
"$bin/orlund-stress" --port "$port" --scenario "$scenario" --seconds "$seconds" --pid "$server" \
  "$@" || status=$?
if kill -0 "$server" 2>/dev/null; then
  kill -TERM "$server"
  wait "$server" || { echo "stress.sh: the server did not stop cleanly" >&2; status=1; }
else
  wait "$server" || true
  status=1
fi
exit "$status"
