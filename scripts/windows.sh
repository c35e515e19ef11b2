#!/usr/bin/env bash
# Builds the Windows program directory and its ZIPs from this clone, on a
# Linux machine with mingw-w64 (installed here when missing; root only for
# that, see as-root.sh):
#   bash scripts/windows.sh x86   # 32-bit, what a station needs
#   bash scripts/windows.sh x64   # x86-64
# The ZIPs land in build/windows-<arch>/package/.
set -euo pipefail
case "${1:-x86}" in
x86 | x64) arch=${1:-x86} ;;
*)
  echo "usage: $0 [x86|x64]" >&2
  exit 2
  ;;
esac
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset "windows-$arch" >/dev/null
cmake --build --preset "windows-$arch"
cpack --preset "windows-$arch"
