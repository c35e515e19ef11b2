#!/usr/bin/env bash
# Builds the fuzz preset and runs each fuzz target longer than the test
# suite does, one after the other, then prints per target the executions
# reached and whether anything was found.
#   bash scripts/fuzz.sh              300 s per target
#   bash scripts/fuzz.sh 60           60 s per target
#   bash scripts/fuzz.sh 600 ini aspi only those targets
# Inputs found are kept in build/fuzz/fuzz-corpus/<target> from one run to
# the next (the committed seeds in tests/fuzz/corpus are only read); each
# target's log is build/fuzz/fuzz-logs/<target>.log and a crashing input is
# saved as build/fuzz/fuzz-artifacts/<target>-crash-*. The exit status is 1
# when any target found something.
set -euo pipefail
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
seconds=${1:-300}
[ $# -gt 0 ] && shift
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/bin
logs=build/fuzz/fuzz-logs
mkdir -p "$logs" build/fuzz/fuzz-corpus
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$bin"/fuzz-*; do targets+=("$(basename "$f" | sed 's/^fuzz-//')"); done
fi

found=0
rows=()
for t in "${targets[@]}"; do
  log=$logs/$t.log
  echo "== fuzz-$t: $seconds s (log: $log)"
  before=$(ls build/fuzz/fuzz-artifacts 2>/dev/null | grep -c "^$t-" || true)
  if TAVRIN_FUZZ_CORPUS=$PWD/build/fuzz/fuzz-corpus bash tests/fuzz/run-fuzz.sh "$bin/fuzz-$t" "$seconds" >"$log" 2>&1; then
    result=ok
  else
    result="FOUND (see $log)"
    found=1
  fi
  after=$(ls build/fuzz/fuzz-artifacts 2>/dev/null | grep -c "^$t-" || true)
  [ "$after" -gt "$before" ] && result="FOUND: $(ls -t build/fuzz/fuzz-artifacts/"$t"-* | head -1)"
  # "Done N runs in S second(s)" on a normal end; the final statistics
  # otherwise.
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\)/\1/p' "$log" | tail -1)
  corpus=$(ls build/fuzz/fuzz-corpus/"$t" 2>/dev/null | wc -l)
  rate=-
  [ -n "$runs" ] && [ -n "$secs" ] && [ "$secs" -gt 0 ] && rate=$((runs / secs))
  rows+=("$(printf '%-10s %12s %8s %10s %8s  %s' "$t" "${runs:-?}" "${secs:-?}" "$rate" "$corpus" "$result")")
done

echo
printf '%-10s %12s %8s %10s %8s  %s\n' target executions seconds "per second" corpus result
for r in "${rows[@]}"; do echo "$r"; done
exit $found
