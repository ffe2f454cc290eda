#!/usr/bin/env bash
# The console's cost beside the client's and the floor's, from one run: three quorvex-sim units
# stream one-record frames at the line's limit over real pseudo-terminals, one each to
# quorvex-console (debug log on, on Xvfb), quorvex-cli (debug log on) and quorvex-plain-reader
# (link level only: acknowledgements, no decoding, no log; the floor). They run at the same time,
# so a busy machine weighs on all of them alike: read the ratios.
# The console goes through phases of the same length: the Log tab shown, the Axis History tab
# shown, the window minimised (unmapped, as a window manager does), then connected with the
# stream stopped (Transport > Stop); the client and the floor stream throughout.
# Every 10 s it prints each program's CPU share of one core and resident memory; then one row per
# phase and program, and each program's memory growth after its first minute.
#   bench/console_end_to_end.sh [seconds per phase (default 60)] [frames per second (default 150)]
#   IDLE_SECONDS   length of the last, stopped phase (default: seconds per phase)
#   BUILD_DIR      build folder (default build/bench, a Release build; an existing one keeps its settings)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
rate=${2:-150}
idle_seconds=${IDLE_SECONDS:-$seconds}
build_dir=${BUILD_DIR:-$root/build/bench}

bash "$root/scripts/setup.sh" xdotool >&2
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build_dir" --target quorvex-console quorvex-cli quorvex-sim quorvex-plain-reader -j "$(nproc)" >&2

work=$(mktemp -d)
pids=()
cleanup() {
  for fd in 7 8; do eval "exec $fd>&-" 2>/dev/null || true; done
  kill "${pids[@]}" 2>/dev/null || true
  # The simulators were started in command substitutions: their pids are in files.
  for file in "$work"/*/sim.pid; do [[ -f $file ]] && kill "$(cat "$file")" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

# Starts a simulator in $work/<name> linked as a COM port; prints that port's name. Runs in a
# command substitution, so the simulator's pid goes to a file for the cleanup.
simulator() {
  local dir="$work/$1"
  mkdir -p "$dir/tmp"
  "$build_dir/simulator/quorvex-sim" --com auto --port-dir "$dir/ports" --rate "$rate" --records 1 --no-stdin \
    >"$dir/sim.out" 2>&1 &
  echo "$!" >"$dir/sim.pid"
  for _ in $(seq 100); do grep -q '(COM' "$dir/sim.out" 2>/dev/null && break; sleep 0.1; done
  grep -o '(COM[0-9]*' "$dir/sim.out" | tr -d '('
}

declare -A pid
com=$(simulator floor)
mkfifo "$work/floor/in"
"$build_dir/bench/quorvex-plain-reader" "$(readlink -f "$work/floor/ports/${com,,}")" \
  <"$work/floor/in" >/dev/null 2>&1 &
pid[floor]=$!
pids+=("$!")
exec 8>"$work/floor/in"

com=$(simulator client)
mkfifo "$work/client/in"
QUORVEX_PORT_DIR="$work/client/ports" TEMP="$work/client/tmp" XDG_DATA_HOME="$work/client/data" \
  "$build_dir/cli/quorvex-cli" --port "$com" <"$work/client/in" >/dev/null 2>&1 &
pid[client]=$!
pids+=("$!")
exec 7>"$work/client/in"

com=$(simulator console)
QUORVEX_PORT_DIR="$work/console/ports" TEMP="$work/console/tmp" XDG_DATA_HOME="$work/console/data" \
  XDG_CONFIG_HOME="$work/console/config" QT_QPA_PLATFORM=xcb \
  "$build_dir/console/quorvex-console" --port "$com" --connect >"$work/console/out" 2>&1 &
pid[console]=$!
pids+=("$!")
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "${pid[console]}" 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 0.1
done
sleep 5

names=(console client floor)
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
declare -A previous minute_rss last_rss
elapsed=0
for name in "${names[@]}"; do previous[$name]=$(cpu_ticks "${pid[$name]}"); done
printf '%-10s %6s' phase time_s
for name in "${names[@]}"; do printf '  %8s_cpu%% %8s_KiB' "$name" "$name"; done
echo

# Samples every program for one phase of $2 seconds; adds a summary row per program to $rows.
rows=
measure() {
  local phase=$1 length=$2 t name now start_ticks
  declare -A start
  for name in "${names[@]}"; do start[$name]=$(cpu_ticks "${pid[$name]}"); done
  for ((t = 10; t <= length; t += 10)); do
    sleep 10
    elapsed=$((elapsed + 10))
    printf '%-10s %6d' "$phase" "$elapsed"
    for name in "${names[@]}"; do
      now=$(cpu_ticks "${pid[$name]}")
      last_rss[$name]=$(rss_kib "${pid[$name]}")
      ((elapsed <= 60)) && minute_rss[$name]=${last_rss[$name]}
      printf '  %13.2f %12d' "$(awk -v d=$((now - previous[$name])) -v k="$ticks" 'BEGIN {print d * 100 / k / 10}')" \
        "${last_rss[$name]}"
      previous[$name]=$now
    done
    echo
  done
  for name in "${names[@]}"; do
    start_ticks=${start[$name]}
    rows+=$(printf '%-10s %-8s %8.2f %10d' "$phase" "$name" \
      "$(awk -v d=$(($(cpu_ticks "${pid[$name]}") - start_ticks)) -v k="$ticks" -v s="$length" 'BEGIN {print d * 100 / k / s}')" \
      "${last_rss[$name]}")$'\n'
  done
}

measure log "$seconds"
# The tab bar sits at the same place in the window as it opens: the second tab is Axis History.
xdotool mousemove --window "$window" 77 347 click 1
measure axis "$seconds"
xdotool windowunmap "$window"
measure minimised "$seconds"
xdotool windowmap --sync "$window"
xdotool windowfocus --sync "$window" key alt+t s
measure stopped "$idle_seconds"

echo
printf '%-10s %-8s %8s %10s\n' phase program cpu_% rss_KiB
printf '%s' "$rows"
echo
for name in "${names[@]}"; do
  printf '%-8s resident memory after the first minute %d KiB, at the end %d KiB: growth %d KiB over %d s\n' \
    "$name" "${minute_rss[$name]}" "${last_rss[$name]}" $((last_rss[$name] - minute_rss[$name])) $((elapsed > 60 ? elapsed - 60 : 0))
done
log=$(ls -t "$work"/console/tmp/QUORVEX_DEBUG-*.log | head -1)
echo "console: samples handled in its last log file $(grep -c '|TelvaneDlg::OnQuorvexStreamingDataEvt|' "$log" || true)"
kill -TERM "${pid[console]}" "${pid[client]}"
wait "${pid[console]}" "${pid[client]}" 2>/dev/null || true
echo "console: its log ends: $(tail -1 "$log" | cut -d'|' -f5)"
