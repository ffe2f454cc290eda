#!/usr/bin/env bash
# Renders every screenshot scene of the console under Xvfb (a real X11 server, with the fonts the
# setup installs) into PNG files in <build folder>/screenshots, and prints their paths; then again
# at 200 % scaling into screenshots/scale-200 and with a dark palette into screenshots/dark.
#   scripts/screenshots.sh [SCENE...]     (default: every scene; quorvex-screenshots --list)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null
cmake --build "$build_dir" --target quorvex-screenshots -j "$(nproc)" >&2
program="$build_dir/screenshots/quorvex-screenshots"
output="$build_dir/screenshots"
mkdir -p "$output"

scenes=("$@")
if [ ${#scenes[@]} -eq 0 ]; then
  mapfile -t scenes < <("$program" --list)
fi
# Each scene in its own process: the device stack and the debug log live once per process.
# The program keeps its journal, profile and debug logs in a temporary folder of its own.
status=0
mkdir -p "$output/scale-200" "$output/dark"
for scene in "${scenes[@]}"; do
  for variant in plain scale-200 dark; do
    case $variant in
      plain) run=(env "$program" "$scene" "$output") ;;
      scale-200) run=(env QT_SCALE_FACTOR=2 "$program" "$scene" "$output/scale-200") ;;
      dark) run=(env "$program" --dark "$scene" "$output/dark") ;;
    esac
    if ! xvfb-run -a -s "-screen 0 2560x2048x24" "${run[@]}"; then
      echo "scene $scene ($variant) failed" >&2
      status=1
    fi
  done
done
exit $status
