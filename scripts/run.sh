#!/usr/bin/env bash
# Sets up the machine, builds the release preset and starts Orvalis in a
# window. Arguments are passed to the program (for example --port PATH); once
# the simulated board can run in process, this starts it on that board.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target orvalis
exec build/release/src/orvalis "$@"
