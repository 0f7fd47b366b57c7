#!/usr/bin/env bash
# Sets up the machine, builds the release preset and starts Orvalis in a
# window on the simulated board. Arguments are passed to the program (for
# example --seed 7 or --simulate=my-site.json). With --port PATH, or with
# ORVALIS_PORT set, it runs on that serial line instead of the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target orvalis

simulate=1
[ -n "${ORVALIS_PORT:-}" ] && simulate=0
for arg in "$@"; do
  case "$arg" in
    --port | --port=* | --replay | --replay=* | --simulate | --simulate=*) simulate=0 ;;
  esac
done
if [ "$simulate" = 1 ]; then
  exec build/release/src/orvalis --simulate "$@"
fi
exec build/release/src/orvalis "$@"
