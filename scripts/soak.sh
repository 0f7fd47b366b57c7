#!/usr/bin/env bash
# Soak: the headless program on the simulated board through a pseudo-terminal,
# unpaced, recording, for a week of board time (SOAK_BOARD_SECONDS), with a
# screen change every simulated minute. The program's resident memory, open
# files and CPU time are sampled along the way; the run fails when, after the
# warm-up (the first fifth of the samples), resident memory grows by more
# than SOAK_RSS_GROWTH_MB (default 8), the open files by more than
# SOAK_FD_GROWTH (default 2), or the CPU time per sample interval in the last
# third exceeds that of the first third by more than SOAK_CPU_GROWTH_PCT
# (default 50) percent (work per packet that grows with the session).
#
#   scripts/soak.sh                              # a week of board time
#   SOAK_BOARD_SECONDS=36000 scripts/soak.sh     # ten hours of board time
#
# SOAK_BOARD=simulate runs the simulator inside the program instead
# (--simulate --speed 0).
#
# The script steps are paced in wall time: one menu visit and one screen every
# 60 / SOAK_SPEEDUP seconds, SOAK_SPEEDUP being how much faster than real time
# the board runs unpaced through the pseudo-terminal (default 5000: the
# program holds the line while a step settles, so the board runs only during
# the steps' sleeps, at about that speed on a two-core machine); the
# script's length sets the session. The figures printed at the end (board
# time covered by the board's GPS clock, screens shown, the speed reached)
# tell how close the pace came. A week of recording takes a few GB of disk in the
# work folder (SOAK_DIR, default a fresh temporary folder, removed afterwards
# unless SOAK_KEEP=1). Samples: SOAK_DIR/samples.csv.
set -euo pipefail
cd "$(dirname "$0")/.."

board_seconds=${SOAK_BOARD_SECONDS:-604800}
speedup=${SOAK_SPEEDUP:-5000}
sample_every=${SOAK_SAMPLE_SECONDS:-5}
rss_growth_mb=${SOAK_RSS_GROWTH_MB:-8}
fd_growth=${SOAK_FD_GROWTH:-2}
cpu_growth_pct=${SOAK_CPU_GROWTH_PCT:-50}
build=${SOAK_BUILD:-build/release}
program=$build/src/orvalis
sim=$build/sim/orvalis-board-sim
for exe in "$program" "$sim"; do
  if [ ! -x "$exe" ]; then
    echo "soak: $exe is missing (cmake --build --preset release --target orvalis orvalis-board-sim)" >&2
    exit 2
  fi
done

dir=${SOAK_DIR:-$(mktemp -d /tmp/orvalis-soak.XXXXXX)}
mkdir -p "$dir/data"
sim_pid=
program_pid=
finish() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  if [ "${SOAK_KEEP:-0}" != 1 ] && [ -z "${SOAK_DIR:-}" ]; then rm -rf "$dir"; fi
}
trap finish EXIT

# The script: leave the start-up view, start recording, then once a simulated
# minute the main menu and one of its six screens in turn; at the end stop
# recording and write the store's state. The recording goes to the data
# folder (the save dialog takes a name there).
minutes=$((board_seconds / 60))
pace_ms=$(awk -v s="$speedup" 'BEGIN { v = int(60000 / s); print (v < 1 ? 1 : v) }')
taps=("60 67" "60 107" "60 147" "180 67" "180 107" "180 147")
{
  echo "# $minutes simulated minutes, one screen change each"
  echo "tap 120 160"
  echo "answer ok soak.ov"
  echo "command ID_RECORD_DATA"
  echo "sleep 200"
  echo "state $dir/first.json"
  for ((m = 0; m < minutes; ++m)); do
    echo "command ID_GOTO_MAIN_MENU"
    echo "tap ${taps[m % 6]}"
    echo "sleep $pace_ms"
  done
  echo "command ID_STOP_RECORDING"
  echo "state $dir/state.json"
  echo "quit"
} >"$dir/soak.script"

board=(--simulate --speed 0)
if [ "${SOAK_BOARD:-pty}" = pty ]; then
  # No --duration: an idle board unpaced covers hours in a second, before
  # the program has even started; the script's length sets the session.
  "$sim" --pty --unpaced >"$dir/sim.out" 2>"$dir/sim.err" &
  sim_pid=$!
  for _ in $(seq 50); do
    [ -s "$dir/sim.out" ] && break
    sleep 0.1
  done
  pty=$(head -1 "$dir/sim.out")
  if [ -z "$pty" ]; then
    echo "soak: the simulator did not open a pseudo-terminal" >&2
    cat "$dir/sim.err" >&2
    exit 1
  fi
  board=(--port "$pty")
fi

start=$(date +%s)
"$program" --headless --script "$dir/soak.script" "${board[@]}" --data-dir "$dir/data" \
  >"$dir/program.out" 2>"$dir/program.err" &
program_pid=$!
ticks=$(getconf CLK_TCK)

echo "seconds,rss_kb,open_files,cpu_ticks" >"$dir/samples.csv"
while kill -0 "$program_pid" 2>/dev/null; do
  if [ -r "/proc/$program_pid/status" ]; then
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$program_pid/status" 2>/dev/null || true)
    fds=$(find "/proc/$program_pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    # utime and stime: fields 14 and 15, counted after the command's ")".
    cpu=$(sed 's/.*) //' "/proc/$program_pid/stat" 2>/dev/null | awk '{ print $12 + $13 }' || true)
    [ -n "$rss" ] && [ -n "$cpu" ] && echo "$(($(date +%s) - start)),$rss,$fds,$cpu" >>"$dir/samples.csv"
  fi
  sleep "$sample_every"
done
set +e
wait "$program_pid"
rc=$?
set -e
program_pid=
elapsed=$(($(date +%s) - start))

# The board time covered: the GPS clock of the board between the first state
# dump (recording started) and the last.
gps_clock() {
  local d t
  d=$(grep -o '"date": *"[^"]*"' "$1" 2>/dev/null | head -1 | sed 's/.*"\([^"]*\)"$/\1/')
  t=$(grep -o '"time": *"[^"]*"' "$1" 2>/dev/null | head -1 | sed 's/.*"\([^"]*\)"$/\1/')
  date -u -d "$d $t" +%s 2>/dev/null || echo 0
}
board_covered=$(($(gps_clock "$dir/state.json") - $(gps_clock "$dir/first.json")))
views=$(grep -c '^view: ' "$dir/program.out" || true)
log_bytes=$(stat -c %s "$dir/data/soak.ov" 2>/dev/null || echo 0)

awk -F, -v rssg="$rss_growth_mb" -v fdg="$fd_growth" -v cpug="$cpu_growth_pct" \
  -v ticks="$ticks" -v every="$sample_every" -v elapsed="$elapsed" -v rc="$rc" \
  -v views="$views" -v logb="$log_bytes" -v board="$board_covered" '
  NR > 1 { t[n] = $1; rss[n] = $2; fd[n] = $3; cpu[n] = $4; ++n }
  END {
    if (n < 6) { print "soak: too few samples (" n "): run longer"; exit 1 }
    warm = int(n / 5)
    base_rss = 0; base_fd = 0
    for (i = 0; i <= warm; ++i) {
      if (rss[i] > base_rss) base_rss = rss[i]
      if (fd[i] > base_fd) base_fd = fd[i]
    }
    max_rss = 0; max_fd = 0
    for (i = warm; i < n; ++i) {
      if (rss[i] > max_rss) max_rss = rss[i]
      if (fd[i] > max_fd) max_fd = fd[i]
    }
    # CPU per second in the first and the last third after the warm-up.
    third = int((n - 1 - warm) / 3)
    a = warm; b = warm + third; c = n - 1 - third; d = n - 1
    early = (cpu[b] - cpu[a]) / (t[b] - t[a] > 0 ? t[b] - t[a] : 1)
    late = (cpu[d] - cpu[c]) / (t[d] - t[c] > 0 ? t[d] - t[c] : 1)
    printf "soak: %d s wall, %d s of board time (GPS clock, %.0f times real time), exit code %d\n", elapsed, board, board / (elapsed > 0 ? elapsed : 1), rc
    printf "soak: %d view changes (one per %.0f s of board time), log %.1f MB\n", views, board / (views > 0 ? views : 1), logb / 1048576
    printf "soak: resident memory %.1f MB after warm-up, peak %.1f MB after it (growth %.1f MB, bound %d MB)\n", base_rss / 1024, max_rss / 1024, (max_rss - base_rss) / 1024, rssg
    printf "soak: open files %d after warm-up, peak %d after it (bound +%d)\n", base_fd, max_fd, fdg
    printf "soak: CPU %.1f %% of a core in the first third, %.1f %% in the last (bound +%d %%), %.1f %% overall\n", 100 * early / ticks, 100 * late / ticks, cpug, 100 * cpu[n - 1] / ticks / (t[n - 1] > 0 ? t[n - 1] : 1)
    bad = 0
    if (rc != 0) { print "soak: FAIL: the program exited with code " rc; bad = 1 }
    # A log of its 14-byte header alone recorded nothing.
    if (logb <= 14) { print "soak: FAIL: nothing was recorded"; bad = 1 }
    if (max_rss - base_rss > rssg * 1024) { print "soak: FAIL: resident memory grew"; bad = 1 }
    if (max_fd - base_fd > fdg) { print "soak: FAIL: open files grew"; bad = 1 }
    if (early > 0 && late > early * (1 + cpug / 100)) { print "soak: FAIL: CPU per second grew"; bad = 1 }
    exit bad
  }' "$dir/samples.csv"
