#!/usr/bin/env bash
# Builds the server and runs it in the foreground on a scratch copy of the
# bundled example project, listening on port 58658, with the operator console
# on http://127.0.0.1:58659/. Ctrl-C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
server=build/bin/orlund-activex-server
if [ ! -x "$server" ]; then
  echo "orlund-activex-server: not built yet" >&2
  exit 1
fi
scratch=$(pwd)/scratch/example-project
rm -rf "$scratch"
mkdir -p "$scratch"
build/bin/make-example-project examples "$scratch"
export ORLUND_REGISTRY_ROOT=$(pwd)/scratch/registry
export XDG_CONFIG_HOME=$(pwd)/scratch/config
echo "Operator console: http://127.0.0.1:58659/ (password admin, operator or guest)"
exec "$server" "/PATH:$scratch"
