#!/usr/bin/env bash
# Renders the control room's page with a run under way into PNG files in
# <build folder>/screenshots/tracker-page and prints their paths: a quick drill (scripts/drill.sh)
# feeds a tracker, and a headless Chromium takes the page at desktop and phone width, light and
# dark, once the pig has passed D3.
#   scripts/page-screenshots.sh [FOLDER]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" >/dev/null
cmake --build "$build_dir" --target quorvex-sim quorvex-cli quorvex-tracker -j "$(nproc)" >&2
output=${1:-$build_dir/screenshots/tracker-page}
mkdir -p "$output"
BUILD_DIR=$build_dir DRILL_NO_BUILD=1 DRILL_SPEED=20 DRILL_LEAD=5 TZ=UTC LANG=C.UTF-8 \
  exec /usr/bin/python3 "$root/scripts/page_screenshots.py" "$root" "$output"
