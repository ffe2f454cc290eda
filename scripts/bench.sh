#!/usr/bin/env bash
# Installs what is missing, builds a Release build in build/bench (without the test suites), runs
# every benchmark program found there and ends with one summary table (name, figure, unit).
# Extra arguments go to each Google Benchmark program, for example
#   scripts/bench.sh --benchmark_filter=OneListener --benchmark_repetitions=5
#   BUILD_DIR      build folder (default build/bench)
#   LATENCY_ARGS   arguments of the plain programs, i.e. of bench_dispatch_latency (default none: 60 s at 100 and 150 frames/s;
#                  "--long" runs 300 s, "--seconds=10 --rates=150" a quick look)
#   ONLY           run only the programs whose name contains this text (e.g. ONLY=event_throughput)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build/bench}
export BUILD_TYPE=Release
unset SANITIZER

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_BENCH=ON

mapfile -t programs < <(find "$BUILD_DIR" -type f -name 'bench_*' -perm -u+x | sort)
if [ -n "${ONLY:-}" ]; then
  mapfile -t programs < <(printf '%s\n' "${programs[@]}" | grep -F -- "$ONLY" || true)
fi
if [ ${#programs[@]} -eq 0 ]; then
  echo "No benchmark programs in $BUILD_DIR" >&2
  exit 1
fi

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
status=0
for program in "${programs[@]}"; do
  name=$(basename "$program")
  echo "== $name"
  # Google Benchmark programs also write their rows as CSV; the plain programs (their own main,
  # listed here) print SUMMARY|name|figure|unit lines.
  case "$name" in
    bench_dispatch_latency | bench_serial_event_latency | bench_console_streaming | bench_journal | bench_acknowledgement | bench_console_event_flood | bench_passages_tab | bench_control_room_link | bench_tracker_latency)
      # shellcheck disable=SC2086
      "$program" ${LATENCY_ARGS:-} | tee "$results/$name.txt" || status=1
      ;;
    *)
      "$program" "$@" --benchmark_out="$results/$name.csv" --benchmark_out_format=csv || status=1
      ;;
  esac
done

# One table: per Google Benchmark row its CPU time and rates, then the plain programs' figures.
{
  printf '%s|%s|%s\n' "Benchmark" "Figure" "Unit"
  for csv in "$results"/*.csv; do
    [ -e "$csv" ] || continue
    awk -F, '
      /^name,/ { for (i = 1; i <= NF; i++) column[$i] = i; header = 1; next }
      !header { next }
      {
        name = $column["name"]; gsub(/"/, "", name)
        if ($column["error_occurred"] == "true") { printf "%s|%s|%s\n", name, "error", "-"; next }
        printf "%s|%.4g|%s cpu\n", name, $column["cpu_time"], $column["time_unit"]
        if ($column["items_per_second"] != "")
          printf "%s|%.4g|items/s\n", name, $column["items_per_second"]
        if ($column["bytes_per_second"] != "")
          printf "%s|%.4g|MB/s\n", name, $column["bytes_per_second"] / 1e6
        if ("records_per_second" in column && $column["records_per_second"] != "")
          printf "%s|%.4g|records/s\n", name, $column["records_per_second"]
      }' "$csv"
  done
  cat "$results"/*.txt 2>/dev/null | grep '^SUMMARY|' | cut -d'|' -f2- || true
} >"$results/table"

echo
echo "== Summary"
awk -F'|' '
  { rows[NR] = $0; if (length($1) > w1) w1 = length($1); if (length($2) > w2) w2 = length($2) }
  END {
    for (i = 1; i <= NR; i++) {
      split(rows[i], f, "|")
      printf "%-" w1 "s  %" w2 "s  %s\n", f[1], f[2], f[3]
      if (i == 1) { line = ""; for (k = 0; k < w1 + w2 + 12; k++) line = line "-"; print line }
    }
  }' "$results/table"
exit $status
