#!/usr/bin/env bash
# Builds the whole tree with clang (the `clang` preset): warnings are errors
# there too, and the lock analysis checks every use of the survey store in
# the modules that read it. Then runs the check that the analysis rejects an
# unlocked read.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset clang >/dev/null
cmake --build --preset clang -j"$(nproc)"
ctest --preset clang -R lock_analysis
