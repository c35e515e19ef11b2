#!/usr/bin/env bash
# Builds everything and runs every test: first the ci preset (the default
# build with every warning an error), then under AddressSanitizer +
# UndefinedBehaviorSanitizer, then each fuzz target for a few seconds
# (clang's libFuzzer), then the Debian package, built and installed on a
# throwaway copy of this machine (scripts/package.sh), then the Windows builds: windows-x86
# (built, its export and import tables and its ZIP archives checked, its
# unit and window tests run under 32-bit Wine), windows-x64 (the same under
# wine64), wine and wine-x86 (the black-box tests against the windows-x64
# and the windows-x86 tavrin.exe under Wine; docs/testbed.md). On a machine
# that runs no 32-bit programs the 32-bit Wine tests are reported as
# skipped, with the reason. Name presets to run only those:
#   bash scripts/test.sh default asan
set -euo pipefail
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The package build compiles what the ci build did: without the build
# folder in ccache's key it finds those objects.
export CCACHE_NOHASHDIR=true
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(ci asan fuzz package windows-x86 windows-x64 wine wine-x86)
for preset in "${presets[@]}"; do
  if [ "$preset" = package ]; then
    echo "== package: build, install on a throwaway copy of this machine, check"
    bash scripts/package.sh
    continue
  fi
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: tests"
  ctest --preset "$preset" -j2
done
