#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing:
# the console's tests need Debian's python3 with the Prometheus text parser,
# and Chromium with its driver and Selenium for the browser test. Packages
# given as arguments are installed too, when missing.
set -euo pipefail
packages=(cmake g++ ninja-build pkg-config libboost-dev libgtest-dev libgmock-dev libbenchmark-dev
          libsystemd-dev nlohmann-json3-dev libcli11-dev
          python3 python3-prometheus-client chromium chromium-driver python3-selenium "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
