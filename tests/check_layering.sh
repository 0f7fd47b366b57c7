#!/usr/bin/env bash
# Fails when a source file includes a header from a layer it may not use.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2

declare -A allowed=(
  [platform]="platform"
  [gfx]="gfx platform"
  [board]="board platform"
  [gps]="gps"
  [gpsd]="gpsd board gps platform"
  [data]="data board gps platform"
  [audio]="audio platform"
  [res]="res gfx platform"
  [ui]="ui gfx platform"
  [outputs]="outputs data board gps gfx ui platform"
  [screens]="screens outputs data board gps audio gfx ui res platform"
  [app]="app sim gpsd screens outputs data board gps audio gfx ui res platform"
  [hosts]="hosts app sim gpsd screens outputs data board gps audio gfx ui res platform"
  [sim]="sim gpsd board gps platform"
)

bad=0
for layer in "${!allowed[@]}"; do
  dir=src/$layer
  [ "$layer" = sim ] && dir=sim
  [ -d "$dir" ] || continue
  while IFS=: read -r file _ inc; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$inc")
    case " ${allowed[$layer]} " in
      *" $target "*) ;;
      *) echo "$file: $layer may not include $target ($inc)"; bad=1 ;;
    esac
  done < <(grep -rnE '#include "[^/"]+/' "$dir" --include='*.h' --include='*.cpp' 2>/dev/null)
done
exit $bad
