#!/usr/bin/env bash
# Replays every recorded session under the regressions folder through the
# headless program and compares the store it ends with against state.json.
# usage: run.sh ORVALIS REGRESSIONS_DIR [--update]
# With --update (or ORV_UPDATE_REGRESSIONS=1) the dumps are rewritten.
set -u
program=$(realpath "$1")
root=$2
update=${ORV_UPDATE_REGRESSIONS:-0}
[ "${3:-}" = "--update" ] && update=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
count=0
for case_dir in "$root"/*/; do
  name=$(basename "$case_dir")
  [ -f "$case_dir/script.txt" ] || continue
  count=$((count + 1))
  run="$work/$name"
  mkdir -p "$run/data"
  cp "$case_dir"/* "$run/"
  if ! (cd "$run" && "$program" --headless --data-dir "$run/data" --script script.txt \
        >"$run/stdout" 2>"$run/stderr"); then
    echo "FAIL $name: the program failed"; cat "$run/stderr"; failed=1; continue
  fi
  if [ ! -f "$run/state.out.json" ]; then
    echo "FAIL $name: no state dump"; failed=1; continue
  fi
  # The click engine's block counts follow the wall clock (its blocks play in
  # real time), so they are kept in the dump but not compared.
  sed -E -i 's/^( *"(click_)?blocks": )[0-9]+/\10/' "$run/state.out.json"
  if [ "$update" = 1 ]; then
    cp "$run/state.out.json" "$case_dir/state.json"
    echo "updated $name"
  elif diff -u "$case_dir/state.json" "$run/state.out.json"; then
    echo "ok $name"
  else
    echo "FAIL $name: the state dump differs (ORV_UPDATE_REGRESSIONS=1 rewrites it)"
    failed=1
  fi
done
if [ "$count" = 0 ]; then
  echo "no recorded sessions under $root"
  exit 1
fi
exit $failed
