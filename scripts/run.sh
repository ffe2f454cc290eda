#!/usr/bin/env bash
# Installs what is missing, builds the client and runs it.
#   scripts/run.sh                  a short session with a simulated unit and a scripted operator
#   scripts/run.sh --port COM3      the client on a real unit (any quorvex-cli options)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null
cmake --build "$build_dir" --target quorvex-cli quorvex-sim -j "$(nproc)" >&2
cli="$build_dir/cli/quorvex-cli"

if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi

echo "== quorvex-cli --simulate: connect, init, streaming, a gain change, a passage, disconnect" >&2
printf '%s\n' 'wait 1500' 'incGain' 'wait 1000' 'sim passage' 'wait 1000' 'state' 'disconnect' |
  "$cli" --simulate --rate 2 --records 1 --battery-period 0
