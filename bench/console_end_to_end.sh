#!/usr/bin/env bash
# The windowed console's cost: quorvex-console (Release, debug log on, on Xvfb when it is there,
# else Qt's offscreen platform) first idle with no unit, then connected through a real
# pseudo-terminal to quorvex-sim streaming one-record frames at the line's limit.
# Prints the console's CPU (% of one core) and resident memory every 10 s and a summary.
#   bench/console_end_to_end.sh [seconds per phase (default 60)] [frames per second (default 150)]
#   BUILD_DIR   build folder (default build/bench, a Release build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
rate=${2:-150}
build_dir=${BUILD_DIR:-$root/build/bench}

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target quorvex-console quorvex-sim -j "$(nproc)" >&2

work=$(mktemp -d)
cleanup() {
  exec 7>&- 2>/dev/null || true
  kill "${console_pid:-}" "${sim_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if command -v Xvfb >/dev/null; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  platform=(env DISPLAY="$display" QT_QPA_PLATFORM=xcb)
  where="Xvfb $display"
else
  platform=(env QT_QPA_PLATFORM=offscreen)
  where="Qt offscreen"
fi

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$console_pid/stat"; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$console_pid/status"; }
# Samples the console for one phase; sets phase_cpu and phase_rss (largest).
measure() {
  local start previous now rss
  start=$(cpu_ticks); previous=$start; phase_rss=0
  for ((t = 10; t <= seconds; t += 10)); do
    sleep 10
    now=$(cpu_ticks); rss=$(rss_kib)
    ((rss > phase_rss)) && phase_rss=$rss
    printf '  %-9s %4d s  cpu %5.1f %%  rss %7d KiB\n' "$1" "$t" \
      "$(awk -v d=$((now - previous)) -v k="$ticks" 'BEGIN {print d * 100 / k / 10}')" "$rss"
    previous=$now
  done
  phase_cpu=$(awk -v d=$(($(cpu_ticks) - start)) -v k="$ticks" -v s="$seconds" 'BEGIN {print d * 100 / k / s}')
}

mkfifo "$work/sim.in"
"$build_dir/simulator/quorvex-sim" --com auto --port-dir "$work/ports" --rate "$rate" --records 1 \
  <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 7>"$work/sim.in"
for _ in $(seq 100); do grep -q '(COM' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
com=$(grep -o '(COM[0-9]*' "$work/sim.out" | tr -d '(')

# Idle: the window with a port chosen but not connected.
QUORVEX_PORT_DIR="$work/ports" TEMP="$work" "${platform[@]}" "$build_dir/console/quorvex-console" \
  --port "$com" >"$work/console.out" 2>&1 &
console_pid=$!
sleep 3
echo "quorvex-console on $where, debug log on"
measure idle
idle_cpu=$phase_cpu; idle_rss=$phase_rss
kill -TERM "$console_pid"; wait "$console_pid" || true

# Streaming: connected at start.
QUORVEX_PORT_DIR="$work/ports" TEMP="$work" "${platform[@]}" "$build_dir/console/quorvex-console" \
  --port "$com" --connect >"$work/console.out" 2>&1 &
console_pid=$!
sleep 5
measure streaming
stream_cpu=$phase_cpu; stream_rss=$phase_rss
kill -TERM "$console_pid"; wait "$console_pid" || true
echo status >&7
sleep 0.5
echo quit >&7
wait "$sim_pid" || true

log=$(ls -t "$work"/QUORVEX_DEBUG-*.log | head -1)
samples=$(grep -c '|TelvaneDlg::OnQuorvexStreamingDataEvt|' "$log" || true)
printf 'summary: idle cpu %.1f %% rss %d KiB; streaming %d frames/s: cpu %.1f %% rss %d KiB; ' \
  "$idle_cpu" "$idle_rss" "$rate" "$stream_cpu" "$stream_rss"
echo "samples handled $samples in $seconds s; log ends: $(tail -1 "$log" | cut -d'|' -f5)"
