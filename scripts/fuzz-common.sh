# Shared by fuzz.sh and fuzz-long.sh (sourced from the repository root).

fuzz_names=()
for source in fuzz/*.cpp; do
  name=${source##*/}
  fuzz_names+=("${name%.cpp}")
done

# Configures the fuzz preset and builds every target (and only those).
fuzz_build() {
  cmake --preset fuzz >/dev/null
  local targets=()
  for name in "${fuzz_names[@]}"; do targets+=("fuzz_$name"); done
  cmake --build --preset fuzz -j"${FUZZ_JOBS:-$(nproc)}" --target "${targets[@]}"
}

# fuzz_run NAME WORKDIR [libFuzzer flags...]: runs one target on a fresh
# working corpus seeded from fuzz/corpus/NAME, a hang of 10 s counting as a
# crash. Reproducers of what it finds land in build/fuzz/findings/NAME/.
fuzz_run() {
  local name=$1 work=$2
  shift 2
  local flags=()
  if [ -f "fuzz/$name.options" ]; then
    while IFS= read -r line; do
      case "$line" in '#'* | '') ;; *) flags+=("$line") ;; esac
    done <"fuzz/$name.options"
  fi
  local seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  mkdir -p "build/fuzz/findings/$name"
  ${FUZZ_NICE:-} "build/fuzz/fuzz/fuzz_$name" -timeout=10 -artifact_prefix="build/fuzz/findings/$name/" \
    "${flags[@]}" "$@" "$work" "${seeds[@]}"
}

# fuzz_figures NAME LOG: one line of executions, executions per second and
# peak memory from a run's final statistics.
fuzz_figures() {
  awk -v name="$1" '
    /stat::number_of_executed_units/ { runs = $2 }
    /stat::average_exec_per_sec/ { rate = $2 }
    /stat::peak_rss_mb/ { rss = $2 }
    END { printf "fuzz: %-9s %12d executions %8d/s %6d MB peak\n", name, runs, rate, rss }' "$2"
}
