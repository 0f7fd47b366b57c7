#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given seconds
# (default 60) from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
shopt -s nullglob
# Only the fuzz targets (and the core libraries they link) are built here.
targets=()
for source in fuzz/*.cpp; do
  name=${source##*/}
  targets+=("fuzz_${name%.cpp}")
done
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}"
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" "${seeds[@]}" 2>"$work.log" || {
    tail -60 "$work.log"
    echo "fuzz: $name found a crash"
    exit 1
  }
  rm -rf "$work" "$work.log"
done
