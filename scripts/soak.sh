#!/usr/bin/env bash
# Installs what is missing, builds quorvex-soak and runs it: connect / stream / disconnect cycles
# against simulated units with random faults (bad checksums, garbage, wake bytes, silence,
# hang-ups), checking after each cycle that every passage was reported and that no thread,
# descriptor or memory was left behind.
#   scripts/soak.sh [--cycles N (default 1000)] [--seed S]
#   SANITIZER, BUILD_DIR   as for scripts/build.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null
cmake --build "$build_dir" --target quorvex-soak -j "$(nproc)" >&2
exec "$build_dir/soak/quorvex-soak" "$@"
