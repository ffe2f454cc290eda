#!/usr/bin/env bash
# At 200 % on a 1280 x 1000 screen the main window opens inside the screen (its status bar in
# sight); on a large screen it opens at its layout's own size at either scale. The screen is Qt's
# offscreen one, sized by a configuration file; the window is the screenshot program's picture.
#   window_fits_small_screen.sh QUORVEX_SCREENSHOTS
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

screen() {  # name width height
  printf '{"screens": [{"name": "%s", "x": 0, "y": 0, "width": %d, "height": %d, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}\n' \
    "$1" "$2" "$3" >"$work/$1.json"
}
picture_size() {  # the PNG's width and height in pixels
  file -b "$1" | sed -n 's/^PNG image data, \([0-9]*\) x \([0-9]*\),.*/\1 \2/p'
}
shoot() {  # screen scale folder
  mkdir -p "$work/$3"
  QT_QPA_PLATFORM="offscreen:configfile=$work/$1.json" QT_SCALE_FACTOR=$2 TEMP="$work" \
    "$program" main-window-disconnected "$work/$3" >/dev/null 2>&1 || fail "no picture on $1 at $2"
  picture_size "$work/$3/main-window-disconnected.png"
}

screen laptop 1280 1000
screen large 2560 2048
read -r width height <<<"$(shoot laptop 2 small)"
((width <= 1280 && height <= 1000)) || fail "at 200 % the window is $width x $height on a 1280 x 1000 screen"
read -r width height <<<"$(shoot large 1 large)"
read -r again_width again_height <<<"$(shoot large 2 large-200)"
# Where it fits, 200 % is the same layout twice as large (give or take the fonts' hinting).
((again_width * 100 >= 190 * width && again_width * 100 <= 210 * width &&
  again_height * 100 >= 190 * height && again_height * 100 <= 210 * height)) ||
  fail "on a large screen 200 % gives $again_width x $again_height for $width x $height at 100 %"
echo "laptop at 200 %: fits; large screen: $width x $height"
