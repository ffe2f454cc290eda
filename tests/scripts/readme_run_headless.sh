#!/usr/bin/env bash
# The README's run command on a machine without a display: it must say so in one line, then show
# a simulated unit streaming until the scripted operator disconnects.
set -euo pipefail
root=$1
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

if ! env -u DISPLAY -u WAYLAND_DISPLAY bash "$root/scripts/run.sh" >"$out" 2>"$err"; then
  echo "scripts/run.sh failed:"; cat "$err"; tail -5 "$out"; exit 1
fi
fail() { echo "$1"; cat "$err"; tail -5 "$out"; exit 1; }
grep -q '^No display (DISPLAY and WAYLAND_DISPLAY are unset)' "$err" || fail "no one-line notice of the missing display"
[ "$(grep -c '"event":"streaming"' "$out")" -ge 10 ] || fail "the unit did not stream"
grep -q '"event":"passage"' "$out" || fail "no passage"
grep -q '"event":"disconnect","data":{"error":0}' "$out" || fail "the session did not end with the operator's disconnection"
if grep -q 'link lost' "$err"; then fail "the link was lost"; fi
echo "README run command (headless): $(grep -c '"event":"streaming"' "$out") streaming events, clean end"
