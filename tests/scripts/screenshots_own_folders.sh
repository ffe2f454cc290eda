#!/usr/bin/env bash
# The screenshot program makes up sessions, notes and window placements: run as a user would run
# it, with the user's own folders in its environment, it must leave every one of them untouched.
#   screenshots_own_folders.sh QUORVEX_SCREENSHOTS
set -euo pipefail
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/data" "$home/config" "$home/temp" "$home/pictures"
QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" TEMP="$home/temp" \
  "$program" main-window-passages "$home/pictures" >/dev/null
left=$(find "$home/data" "$home/config" "$home/temp" -mindepth 1)
if [ -n "$left" ]; then
  echo "the screenshot program wrote into the user's folders:" >&2
  echo "$left" >&2
  exit 1
fi
ls "$home/pictures"/*.png >/dev/null
