#!/usr/bin/env bash
# Builds the Debian package in build/, installs it with dpkg -i and runs the
# installed programs: the package holds what it needs on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh >/dev/null
(cd build && rm -f ./*.deb && cpack -G DEB >/dev/null)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
deb=$(ls build/orlund-activex-server_*.deb)
$sudo dpkg -i "$deb"
/usr/sbin/orlund-activex-server --version
/usr/bin/orlund-cli --help >/dev/null
man -w orlund-cli >/dev/null 2>&1 || test -f /usr/share/man/man1/orlund-cli.1.gz
echo "installed $deb"
