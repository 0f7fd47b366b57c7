#!/usr/bin/env bash
# Checks that clang's lock analysis rejects store access without the store
# lock: each case compiles with the lock taken (ORV_TAKE_LOCK) and must fail
# without it, with the analysis's diagnostic. Exits 77 (skipped) without clang.
#   check_lock_analysis.sh CLANGXX SOURCE_DIR
set -u
clang=${1:-}
root=${2:?usage: check_lock_analysis.sh CLANGXX SOURCE_DIR}
if [ -z "$clang" ] || ! command -v "$clang" >/dev/null 2>&1; then
  echo "SKIPPED: clang++ not found; the lock analysis needs clang"
  exit 77
fi
flags=(-std=c++20 -fsyntax-only -Wthread-safety -Werror -I"$root/src" -I"$root")
bad=0
for source in "$root"/tests/compile/*.cpp; do
  name=${source##*/}
  if ! out=$("$clang" "${flags[@]}" -DORV_TAKE_LOCK "$source" 2>&1); then
    echo "$name: does not compile with the lock held:"
    echo "$out"
    bad=1
    continue
  fi
  if out=$("$clang" "${flags[@]}" "$source" 2>&1); then
    echo "$name: compiles without the lock; the analysis let it through"
    bad=1
  elif ! grep -q "requires holding mutex" <<<"$out"; then
    echo "$name: failed without the lock, but not by the lock analysis:"
    echo "$out"
    bad=1
  else
    echo "$name: rejected without the lock"
  fi
done
exit $bad
