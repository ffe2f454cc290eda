#!/usr/bin/env bash
# The whole programs over a real pseudo-terminal: quorvex-sim streams one-record frames at the
# line's limit (150 frames/s at 115200 baud) and quorvex-cli, with its debug log on, takes them.
# Prints the client's CPU and resident memory over time, the dispatch queue depth over time (from
# the "Queue depth" lines of the debug log) and how many samples reached the client.
#   bench/end_to_end.sh [seconds (default 300)] [frames per second (default 150)]
#   BUILD_DIR   build folder (default build/bench, a Release build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-300}
rate=${2:-150}
build_dir=${BUILD_DIR:-$root/build/bench}

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target quorvex-cli quorvex-sim -j "$(nproc)" >&2

work=$(mktemp -d)
cleanup() {
  exec 7>&- 8>&- 2>/dev/null || true
  kill "${cli_pid:-}" "${sim_pid:-}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/sim.in" "$work/cli.in"

"$build_dir/simulator/quorvex-sim" --com auto --port-dir "$work/ports" --rate "$rate" --records 1 \
  <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 7>"$work/sim.in"
for _ in $(seq 100); do grep -q '(COM' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
com=$(grep -o '(COM[0-9]*' "$work/sim.out" | tr -d '(')

QUORVEX_PORT_DIR="$work/ports" TEMP="$work" "$build_dir/cli/quorvex-cli" --port "$com" \
  <"$work/cli.in" >"$work/cli.out" 2>"$work/cli.err" &
cli_pid=$!
exec 8>"$work/cli.in"

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$cli_pid/stat"; }
echo "time_s  cpu_%  rss_kib  samples"
start_ticks=$(cpu_ticks)
previous=$start_ticks
max_rss=0
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  now=$(cpu_ticks)
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$cli_pid/status")
  ((rss > max_rss)) && max_rss=$rss
  samples=$(grep -c '"event":"streaming"' "$work/cli.out" || true)
  printf '%6d  %5.1f  %7d  %7d\n' "$t" "$(awk -v d=$((now - previous)) -v k="$ticks" 'BEGIN {print d * 100 / k / 10}')" "$rss" "$samples"
  previous=$now
done
total_cpu=$(awk -v d=$(($(cpu_ticks) - start_ticks)) -v k="$ticks" -v s="$seconds" 'BEGIN {print d * 100 / k / s}')
echo disconnect >&8
wait "$cli_pid" || true
echo status >&7
sleep 0.5
echo quit >&7
wait "$sim_pid" || true

log=$(ls "$work"/QUORVEX_DEBUG-*.log)
echo
echo "dispatch queue depth, largest in each 30 s (from the debug log):"
awk -F'|' '$5 ~ /^Queue depth/ {
    split($2, hms, ":"); t = hms[1] * 3600 + hms[2] * 60 + hms[3];
    if (first == "") first = t;
    bucket = int((t - first) / 30); depth = $5; gsub(/[^0-9]/, "", depth);
    if (depth + 0 > max[bucket] + 0) max[bucket] = depth; if (bucket > last) last = bucket }
  END { for (b = 0; b <= last; b++) printf "  %4d-%4d s: %d\n", b * 30, b * 30 + 30, max[b] }' "$log"
streamed=$(grep -o 'streaming-frames [0-9]*' "$work/sim.out" | tail -1 | awk '{print $2}')
samples=$(grep -c '"event":"streaming"' "$work/cli.out" || true)
echo
printf 'summary: %d s at %d frames/s: client CPU %.1f%% of one core, resident max %d KiB, ' \
  "$seconds" "$rate" "$total_cpu" "$max_rss"
echo "frames accepted ${streamed:-?}, samples reported $samples, log $(du -h "$log" | cut -f1)"
