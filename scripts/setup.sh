#!/usr/bin/env bash
# Installs the Debian packages the project needs (listed in .ci/packages.txt),
# skipping apt entirely when they are all present already.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t wanted < <(grep -vE '^\s*(#|$)' .ci/packages.txt)
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
