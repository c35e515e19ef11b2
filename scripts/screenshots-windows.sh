#!/usr/bin/env bash
# Renders the Windows module's configuration dialog in the states of the
# Linux screenshots, and the help window, under Wine on a virtual X server
# (Xvfb), and saves them as PNG files.
#   scripts/screenshots-windows.sh [BUILD_DIR] [OUTPUT_DIR]
# Defaults: build/windows-x64 (configured with the windows-x64 preset when
# missing) and docs/screenshots/windows. Needs wine64, xvfb, xauth and
# ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows-x64}
out=${2:-docs/screenshots/windows}
[ -f "$build/build.ninja" ] || cmake --preset windows-x64 >/dev/null
cmake --build "$build" --target ui_win32_screenshots TavrinGui
command -v convert >/dev/null || { echo "$0: convert is missing (package imagemagick)" >&2; exit 1; }
winpath() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bmp" "$out"
export WINEPATH="$(winpath "$build/bin");$(winpath "$build/testbed")"
# The configuration files live where a station keeps them, on drive C: of
# the prefix.
bash tests/ui/wine-display.sh "$(realpath -m "$build")/wine-prefix-display" "$build/tests-bin/ui_win32_screenshots.exe" \
  'C:\Tavrin' "$(winpath "$work/bmp")"
for bmp in "$work"/bmp/*.bmp; do
  png="$out/$(basename "${bmp%.bmp}").png"
  convert "$bmp" "$png"
  echo "$png"
done
