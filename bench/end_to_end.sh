#!/usr/bin/env bash
# The whole programs over real pseudo-terminals, side by side in one run: for each reader a
# quorvex-sim streams one-record frames at the line's limit (150 frames/s at 115200 baud) and the
# reader takes them. Readers: a plain reader (link level only: acknowledgements, no decoding, no
# log; the floor), quorvex-cli with its debug log on, and with BASELINE_BUILD_DIR also the
# quorvex-cli of another build (say, of main) with its debug log on. They run at the same time,
# so a busy machine weighs on all of them alike: read the ratios.
# Prints every 10 s each reader's CPU share of one core and resident memory, then a summary:
# CPU, resident memory (first, largest, last), debug log bytes per second and per frame, frames.
#   bench/end_to_end.sh [seconds (default 300)] [frames per second (default 150)]
#   BUILD_DIR            build folder (default build/bench, a Release build)
#   BASELINE_BUILD_DIR   a second build whose quorvex-cli runs beside (built already)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-300}
rate=${2:-150}
build_dir=${BUILD_DIR:-$root/build/bench}
baseline_dir=${BASELINE_BUILD_DIR:-}

bash "$root/scripts/setup.sh" >&2
# An existing build folder keeps its own settings (say, build/default to compare with main's).
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build_dir" --target quorvex-cli quorvex-sim quorvex-plain-reader -j "$(nproc)" >&2

work=$(mktemp -d)
pids=()
cleanup() {
  for fd in 7 8 9; do eval "exec $fd>&-" 2>/dev/null || true; done
  kill "${pids[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

names=(plain client)
commands=("$build_dir/bench/quorvex-plain-reader" "$build_dir/cli/quorvex-cli")
if [[ -n $baseline_dir ]]; then
  names+=(baseline)
  commands+=("$baseline_dir/cli/quorvex-cli")
fi

# Starts a simulator and its reader in $work/<name>; sets reader_pid[<i>].
declare -A reader_pid sim_pid
start() {
  local i=$1 name=${names[$1]} dir="$work/${names[$1]}"
  mkdir -p "$dir/tmp"
  "$build_dir/simulator/quorvex-sim" --com auto --port-dir "$dir/ports" --rate "$rate" --records 1 --no-stdin \
    >"$dir/sim.out" 2>&1 &
  sim_pid[$name]=$!
  pids+=("$!")
  for _ in $(seq 100); do grep -q '(COM' "$dir/sim.out" 2>/dev/null && break; sleep 0.1; done
  local com
  com=$(grep -o '(COM[0-9]*' "$dir/sim.out" | tr -d '(')
  mkfifo "$dir/in"
  if [[ $name == plain ]]; then
    "${commands[$i]}" "$(readlink -f "$dir/ports/${com,,}")" <"$dir/in" >"$dir/out" 2>"$dir/err" &
  else
    QUORVEX_PORT_DIR="$dir/ports" TEMP="$dir/tmp" "${commands[$i]}" --port "$com" \
      <"$dir/in" >"$dir/out" 2>"$dir/err" &
  fi
  reader_pid[$name]=$!
  pids+=("$!")
  eval "exec $((7 + i))>\"$dir/in\""
}
for i in "${!names[@]}"; do start "$i"; done

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
declare -A first_ticks last_ticks first_rss max_rss last_rss
header="time_s"
for name in "${names[@]}"; do
  pid=${reader_pid[$name]}
  first_ticks[$name]=$(cpu_ticks "$pid")
  last_ticks[$name]=${first_ticks[$name]}
  first_rss[$name]=0
  max_rss[$name]=0
  header+=$(printf '  %10s_cpu%%  %8s_rss' "$name" "$name")
done
echo "$header"
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  row=$(printf '%6d' "$t")
  for name in "${names[@]}"; do
    pid=${reader_pid[$name]}
    now=$(cpu_ticks "$pid")
    rss=$(rss_kib "$pid")
    ((first_rss[$name] == 0)) && first_rss[$name]=$rss
    ((rss > max_rss[$name])) && max_rss[$name]=$rss
    last_rss[$name]=$rss
    row+=$(printf '  %15.2f  %12d' "$(awk -v d=$((now - last_ticks[$name])) -v k="$ticks" 'BEGIN {print d * 100 / k / 10}')" "$rss")
    last_ticks[$name]=$now
  done
  echo "$row"
done

echo
printf '%-9s %8s %10s %10s %10s %12s %12s %9s\n' reader cpu_% rss_first rss_max rss_last log_B/s log_B/frame frames
for i in "${!names[@]}"; do
  name=${names[$i]}
  dir="$work/$name"
  cpu=$(awk -v d=$((last_ticks[$name] - first_ticks[$name])) -v k="$ticks" -v s="$seconds" 'BEGIN {print d * 100 / k / s}')
  log_bytes=$(find "$dir/tmp" -name 'QUORVEX_DEBUG-*.log' -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  frames=$((seconds * rate))
  printf '%-9s %8.2f %10d %10d %10d %12.0f %12.1f %9d\n' "$name" "$cpu" "${first_rss[$name]}" "${max_rss[$name]}" \
    "${last_rss[$name]}" "$(awk -v b="$log_bytes" -v s="$seconds" 'BEGIN {print b / s}')" \
    "$(awk -v b="$log_bytes" -v f="$frames" 'BEGIN {print f ? b / f : 0}')" "$frames"
done
echo "(frames: seconds x rate, what each simulator sends; the log bytes include start-up)"
