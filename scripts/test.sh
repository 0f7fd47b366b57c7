#!/usr/bin/env bash
# Sets up the machine, builds the release preset and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
ctest --preset release -j"$(nproc)"
