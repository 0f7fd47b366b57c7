#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given seconds
# (default 30) from its seed corpus, with the flags in fuzz/NAME.options (its
# input limit). Any crash, leak or hang fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
fuzz_build
for name in "${fuzz_names[@]}"; do
  work=$(mktemp -d)
  echo "fuzz: $name for ${seconds}s"
  if ! fuzz_run "$name" "$work" -max_total_time="$seconds" -print_final_stats=1 >"$work.log" 2>&1; then
    tail -60 "$work.log"
    echo "fuzz: $name found a crash (reproducer in build/fuzz/findings/$name/)"
    exit 1
  fi
  fuzz_figures "$name" "$work.log"
  rm -rf "$work" "$work.log"
done
