#!/usr/bin/env bash
# Runs every fuzz target (or those named) to RUNS executions (default 10
# million), one after another at the lowest priority, and prints each one's
# executions, rate and outcome. FUZZ_MAX_SECONDS bounds each target's time
# (default: none). Exit 1 when any target found a crash, leak or hang; its
# reproducer is left in build/fuzz/findings/NAME/.
#   scripts/fuzz-long.sh [NAME...]
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-10000000}
# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
FUZZ_JOBS=${FUZZ_JOBS:-2} fuzz_build >/dev/null || exit 1
[ $# -gt 0 ] && fuzz_names=("$@")
failed=0
for name in "${fuzz_names[@]}"; do
  work=$(mktemp -d)
  findings="build/fuzz/findings/$name"
  limit=()
  [ -n "${FUZZ_MAX_SECONDS:-}" ] && limit=(-max_total_time="$FUZZ_MAX_SECONDS")
  start=$(date +%s)
  FUZZ_NICE="nice -n 19" fuzz_run "$name" "$work" -runs="$runs" "${limit[@]}" \
    -print_final_stats=1 >"$work.log" 2>&1
  rc=$?
  elapsed=$(($(date +%s) - start))
  fuzz_figures "$name" "$work.log"
  if [ $rc -ne 0 ]; then
    failed=1
    tail -40 "$work.log"
    echo "fuzz: $name FAILED after ${elapsed}s (findings in $findings)"
  else
    echo "fuzz: $name clean after ${elapsed}s"
  fi
  rm -rf "$work" "$work.log"
done
exit $failed
