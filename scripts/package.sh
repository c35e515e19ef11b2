#!/usr/bin/env bash
# Builds the Debian package (the package preset: the program directory in
# /opt/tavrin, tavrin on the PATH, the SDK's headers, libraries and
# pkg-config files under /usr) and checks it by installing it on a
# throwaway copy of this machine (packaging/check-deb.sh), as a station
# gets it, with a DII driver stand-in and the CUPS backend of the testbed,
# built in the ci tree (only those targets; test.sh has built them already).
# The package is left in build/package/.
set -euo pipefail
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset package >/dev/null
cmake --build --preset package
cpack --preset package
[ -f build/ci/build.ninja ] || cmake --preset ci >/dev/null
cmake --build --preset ci --target testbed_dii tavrin-testbed-backend
bash packaging/check-deb.sh build/package/tavrin_*.deb build/ci/testbed
