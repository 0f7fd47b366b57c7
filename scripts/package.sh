#!/usr/bin/env bash
# Builds the release tree and the Debian package from it:
# build/package/orvalis_VERSION_amd64.deb (the path is printed last).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
out=build/package
rm -rf "$out"
mkdir -p "$out"
cpack --config build/release/CPackConfig.cmake -B "$out" >"$out/cpack.log" || {
  cat "$out/cpack.log" >&2
  exit 1
}
rm -rf "$out/_CPack_Packages"
ls "$out"/orvalis_*_amd64.deb
