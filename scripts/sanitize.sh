#!/usr/bin/env bash
# Builds and runs the unit tests under a sanitizer preset: asan or tsan.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: sanitize.sh asan|tsan}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
# ThreadSanitizer cannot map its shadow memory with the kernel's widest
# address randomisation; running without randomisation keeps it working.
if [ "$preset" = tsan ] && command -v setarch >/dev/null; then
  setarch "$(uname -m)" -R ctest --preset "$preset"
else
  ctest --preset "$preset"
fi
