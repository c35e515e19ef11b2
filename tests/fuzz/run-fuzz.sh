#!/usr/bin/env bash
# Runs one fuzz target for a while on its committed seeds.
#   run-fuzz.sh BINARY SECONDS [libFuzzer options...]
# The target's name is BINARY without "fuzz-"; its seeds are corpus/NAME
# beside this script and are only read. New inputs go to a scratch folder
# (or to $TAVRIN_FUZZ_CORPUS/NAME when set, to keep them between runs);
# crashes are saved as BINARY's folder/../fuzz-artifacts/NAME-*.
set -euo pipefail
binary=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$binary")
name=${name#fuzz-}
seeds=$here/corpus/$name
[ -d "$seeds" ] || { echo "no seeds for $name in $seeds" >&2; exit 2; }

# Per-target limits. The largest bitmap accepted (4096 x 4096) takes 64 MiB
# in one piece at four bytes a pixel; a decoder that asks for more in one
# allocation has been talked into it by the file.
options=(-rss_limit_mb=2048 -timeout=30 -print_final_stats=1)
case $name in
  bitmap) options+=(-malloc_limit_mb=96) ;;
esac

artifacts=$(cd "$(dirname "$binary")/.." && pwd)/fuzz-artifacts
mkdir -p "$artifacts"
if [ -n "${TAVRIN_FUZZ_CORPUS:-}" ]; then
  work=$TAVRIN_FUZZ_CORPUS/$name
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-fuzz-$name.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
"$binary" "${options[@]}" -max_total_time="$seconds" -artifact_prefix="$artifacts/$name-" "$@" "$work" "$seeds"
