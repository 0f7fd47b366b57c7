#!/usr/bin/env bash
# Measures the whole program under load (the figures the benchmarks under
# bench/ cannot give: a window, an X server, the process's own memory).
#
#   scripts/bench-program.sh window [SECONDS]
#       The windowed program on the simulated board at its line rate, under
#       Xvfb (no GPU), showing the MAC list (the busiest screen: every
#       captured frame). Prints the CPU share of one core over SECONDS
#       (default 60) after a warm-up, the resident memory at the end and its
#       peak, and the renderer SDL was given. Targets: <= 2 % and <= 40 MB.
#       Sound is the program's own choice for the machine (none without a
#       sound device); BENCH_AUDIO=dummy forces SDL's silent device, whose
#       mixing thread costs about 0.2 % of a core.
#
#   scripts/bench-program.sh replay [LOG]
#       The headless program replaying LOG (default: a 200 MB log of the
#       simulated board, made by bench_replay when missing) at --speed 0,
#       through to the end. Prints the time (without the program's 2 s
#       start-up pause), the CPU time and the peak resident memory. Targets:
#       < 3 s, < 40 MB.
#
# Needs a release build (cmake --preset release && cmake --build --preset
# release) and the packages of scripts/setup.sh (xvfb, xdotool, time).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVALIS_BUILD:-$root/build/release}
program=$build/src/orvalis
[ -x "$program" ] || { echo "bench-program: build $program first" >&2; exit 2; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }

free_display() {
  for n in $(seq 81 99); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then echo ":$n"; return; fi
  done
  echo "bench-program: no free X display" >&2
  exit 1
}

window() {
  local seconds=${1:-60}
  local display
  display=$(free_display)
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  local audio=()
  [ -n "${BENCH_AUDIO:-}" ] && audio=(SDL_AUDIODRIVER="$BENCH_AUDIO")
  env DISPLAY="$display" "${audio[@]}" "$program" --simulate --scale 2 \
    --data-dir "$work/data" >"$work/out.txt" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local win=""
  for _ in $(seq 100); do
    win=$(DISPLAY=$display xdotool search --pid "$pid" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "bench-program: no window" >&2; exit 1; }
  sleep 3  # the start-up pause and the board's identity
  # Leave the start-up screen, then the main menu's MAC LIST button (60, 107)
  # at scale 2.
  DISPLAY=$display xdotool mousemove --window "$win" 240 300 click 1
  sleep 1
  DISPLAY=$display xdotool mousemove --window "$win" 120 214 click 1
  sleep 10  # warm-up: the list fills
  local hz t0 t1
  hz=$(getconf CLK_TCK)
  t0=$(ticks "$pid")
  sleep "$seconds"
  t1=$(ticks "$pid")
  awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "window: %.2f %% of a core over %d s\n", 100 * d / hz / s, s}'
  echo "window: resident $(( $(status_kb "$pid" VmRSS) / 1024 )) MB," \
    "peak $(( $(status_kb "$pid" VmHWM) / 1024 )) MB"
  # The window's title is the board source; the renderer is in the log only
  # when SDL reports it, so name what the program asked for.
  if [ -e /dev/dri ] && ls /dev/dri/renderD* >/dev/null 2>&1; then
    echo "window: GPU render node present"
  else
    echo "window: no GPU render node (software renderer)"
  fi
  echo "window: sound ${BENCH_AUDIO:-as the program chooses ($(ls /dev/snd >/dev/null 2>&1 && echo "sound devices present" || echo "no sound device"))}"
}

replay() {
  local log=${1:-${ORV_BENCH_LOG:-${TMPDIR:-/tmp}/orvalis-bench-200.ov}}
  if [ ! -f "$log" ]; then
    echo "bench-program: writing $log (200 MB of the simulated board)" >&2
    ORV_BENCH_LOG=$log "$build/bench/bench_replay" >/dev/null
  fi
  printf 'settle\nstate %s\n' "$work/state.json" >"$work/script.txt"
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$program" --headless --data-dir "$work/data" \
    --replay "$log" --speed 0 --script "$work/script.txt" >/dev/null
  local elapsed kb user sys
  read -r elapsed kb user sys <"$work/time.txt"
  # On a shared machine the CPU time is the steadier figure.
  awk -v e="$elapsed" -v kb="$kb" -v u="$user" -v s="$sys" -v size="$(stat -c %s "$log")" 'BEGIN {
    printf "replay: %.0f MB log in %.2f s (%.2f s with the start-up pause; CPU %.2f s),",
      size / 1048576, e - 2, e, u + s
    printf " peak resident %.1f MB\n", kb / 1024 }'
}

case ${1:-} in
  window) shift; window "$@" ;;
  replay) shift; replay "$@" ;;
  *) echo "usage: scripts/bench-program.sh window [SECONDS] | replay [LOG]" >&2; exit 2 ;;
esac
