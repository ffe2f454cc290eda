#!/usr/bin/env bash
# A short pig run to watch: four simulated units stand at the markers D1 to D4 (600 m apart) of
# the drill section of the sample route (tracking/routes/drill.geojson), and a pig launched at D1
# passes each in turn.
#   scripts/drill.sh              the pig at 5 m/s (about 6 minutes): headless clients on the units
#                                 at D1-D3; the unit at D4 waits for the console, whose command is
#                                 printed; Ctrl-C ends the drill
#   scripts/drill.sh --headless   a client on every unit; ends once the pig has passed D4
#   DRILL_SPEED=20 ...            the pig's speed in m/s
#   DRILL_LEAD=20 ...             seconds from the start to the launch
#   DRILL_BROKER=mqtt://host:port/prefix ...   a broker of your own instead of one started here
# The clients publish their passages to a broker (with mosquitto installed, one started on a free
# port, topic prefix "drill"), so a console linked to it hears of every marker the pig passed;
# a quorvex-tracker on that broker follows the run as "drill" and serves its page, whose address
# is printed (DRILL_PAGE_PORT=8470 ... to choose its port).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

headless=false
case "${1:-}" in
  --headless) headless=true ;;
  "") ;;
  *) echo "usage: scripts/drill.sh [--headless]" >&2; exit 2 ;;
esac
speed=${DRILL_SPEED:-5}
lead=${DRILL_LEAD:-20}
route=$root/tracking/routes/drill.geojson

if [ -z "${DRILL_NO_BUILD:-}" ]; then
  bash "$root/scripts/setup.sh" >&2
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null
  cmake --build "$build_dir" --target quorvex-sim quorvex-cli quorvex-tracker -j "$(nproc)" >&2
fi
sim=$build_dir/simulator/quorvex-sim
cli=$build_dir/cli/quorvex-cli
tracker=$build_dir/tracker/quorvex-tracker

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-drill-XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE  # a closed terminal or pipe ends the drill cleanly too

# Waits up to $2 tenths of a second for the command $3... to succeed.
wait_for() {
  local what=$1 tenths=$2 i
  shift 2
  for ((i = 0; i < tenths; i++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  echo "drill: no $what in time" >&2
  return 1
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

broker=${DRILL_BROKER:-}
if [ -z "$broker" ] && command -v mosquitto >/dev/null; then
  port=$(free_port)
  mosquitto -p "$port" >"$work/broker.log" 2>&1 &
  pids+=($!)
  wait_for "broker on port $port" 50 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null
  broker=mqtt://127.0.0.1:$port/drill
fi

launch=$(date -u -d "+$lead seconds" +%Y-%m-%dT%H:%M:%SZ)
page=""
if [ -n "$broker" ]; then
  "$tracker" --broker "$broker" --listen "127.0.0.1:${DRILL_PAGE_PORT:-$(free_port)}" --state "$work/tracker" \
    >"$work/tracker.log" 2>&1 &
  pids+=($!)
  wait_for "tracker's page" 100 grep -qs 'the page is at ' "$work/tracker.log" || { cat "$work/tracker.log" >&2; exit 1; }
  page=$(sed -n 's/.*the page is at \([^ ]*\).*/\1/p' "$work/tracker.log")
  "$tracker" run start --broker "$broker" --route "$route" --name drill --launch D1 --at "$launch" \
    --speed "$(awk -v s="$speed" 'BEGIN { print s * 3.6 }')"
fi
ptys=()
for i in 1 2 3 4; do
  "$sim" --route "$route" --route-marker "D$i" --launch "D1@$launch" --pig-speed "$speed" \
    --serial "2000$i" --battery-period 0 --no-stdin >"$work/unit$i.log" 2>&1 &
  pids+=($!)
  wait_for "unit at D$i" 100 grep -qs ' on /dev/' "$work/unit$i.log"
  ptys+=("$(sed -n 's/.* on \(\/dev\/[^ ]*\).*/\1/p' "$work/unit$i.log" | head -1)")
  sed -n 2p "$work/unit$i.log"
done

clients=4
$headless || clients=3
for ((i = 1; i <= clients; i++)); do
  mkfifo "$work/client$i.in"
  "$cli" --port "${ptys[i - 1]}" --journal "$work/D$i.sqlite3" ${broker:+--publish "$broker"} \
    <"$work/client$i.in" >"$work/client$i.out" 2>"$work/client$i.err" &
  pids+=($!)
  exec {hold}>"$work/client$i.in"  # the client's input stays open until the drill ends
done

echo "drill: the pig is launched at D1 at $launch and runs at $speed m/s"
[ -n "$broker" ] && echo "drill: the units' passages go to $broker${port:+ (mosquitto_sub -h 127.0.0.1 -p $port -t 'drill/#' -v)}"
[ -n "$page" ] && echo "drill: the page is at $page"
if ! $headless; then
  echo "drill: the unit at D4 waits for the console:"
  echo "  quorvex-console --port ${ptys[3]} --connect     (File > Open Route...: $route)"
fi

# Each client's passage as it comes, D1 first; a pig far later than its speed says is a failure.
deadline=$(($(date +%s) + lead + $(awk -v s="$speed" 'BEGIN { printf "%d", 1801 / s * 1.1 + 30 }')))
for ((i = 1; i <= clients; i++)); do
  until grep -q '"event":"passage"' "$work/client$i.out"; do
    if [ "$(date +%s)" -gt "$deadline" ]; then
      echo "drill: no passage at D$i; the client said:" >&2
      tail -5 "$work/client$i.out" "$work/client$i.err" >&2
      exit 1
    fi
    sleep 0.2
  done
  echo "drill: the pig passed D$i at $(date -u +%H:%M:%S) UTC"
done
# The tracker's run shows every marker a client heard the pig pass.
passed_on_page() {
  python3 -c 'import json, sys, urllib.request
run = json.load(urllib.request.urlopen(sys.argv[1] + "api/runs/drill", timeout=5))
sys.exit(sum(m["state"] == "passed" for m in run["state"]["pigs"][0]["markers"]) < int(sys.argv[2]))' "$page" "$clients"
}
if [ -n "$page" ]; then
  wait_for "passage on the page" 100 passed_on_page 2>/dev/null || passed_on_page
  echo "drill: the page shows the pig past D1 to D$clients"
fi
if ! $headless; then
  echo "drill: the pig is on its way to D4; Ctrl-C ends the drill"
  wait
fi
