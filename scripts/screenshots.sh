#!/usr/bin/env bash
# Renders the configuration dialog in its main states and the help window
# on a virtual X server (Xvfb) and saves them as PNG files.
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
# Defaults: build/default (configured with the default preset when missing)
# and docs/screenshots. Needs the packages xvfb and xauth.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
out=${2:-docs/screenshots}
[ -f "$build/build.ninja" ] || cmake --preset default >/dev/null
cmake --build "$build" --target ui_screenshots
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests-bin/ui_screenshots" "$out"
