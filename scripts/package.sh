#!/usr/bin/env bash
# Builds the Debian package (the package preset: the program directory in
# /opt/tavrin, tavrin on the PATH, the SDK's headers, libraries and
# pkg-config files under /usr) and checks it by installing it into a
# scratch root (packaging/check-deb.sh). The package is left in
# build/package/.
set -euo pipefail
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset package >/dev/null
cmake --build --preset package
cpack --preset package
bash packaging/check-deb.sh build/package/tavrin_*.deb
