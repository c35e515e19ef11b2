#!/usr/bin/env bash
# Builds everything and runs every test, first in the default preset, then
# under AddressSanitizer + UndefinedBehaviorSanitizer, then each fuzz target
# for a few seconds (clang's libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan fuzz)
for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: tests"
  ctest --preset "$preset" -j2
done
