#!/usr/bin/env bash
# Installs what is missing, builds and runs the console against a simulated unit.
#   scripts/run.sh                  the console on the demo's simulated unit (a pig passes every
#                                   40 s, the first 15 s in); without a display, the headless
#                                   client's scripted session with a simulated unit instead
#   scripts/run.sh --port COM3      the console on a real unit (any quorvex-console options);
#                                   without a display, the headless client with those options
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$build_dir" --target quorvex-console -j "$(nproc)" >&2
  if [ $# -gt 0 ]; then
    exec "$build_dir/console/quorvex-console" "$@"
  fi
  exec "$build_dir/console/quorvex-console" --simulate --demo
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless client quorvex-cli instead." >&2
cmake --build "$build_dir" --target quorvex-cli -j "$(nproc)" >&2
cli="$build_dir/cli/quorvex-cli"
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
# The unit streams at its own default rate: the link's health check needs a frame at least
# every 384 ms.
printf '%s\n' 'wait 1500' 'incGain' 'wait 1000' 'sim passage' 'wait 1000' 'state' 'disconnect' |
  "$cli" --simulate --records 1 --battery-period 0
