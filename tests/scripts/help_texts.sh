#!/usr/bin/env bash
# Every program's --help names it as a user types it, shows examples and explains what it points
# to, and -v prints its version, as the manual pages (written from --help) promise.
#   help_texts.sh PROGRAM...      (the built programs, by path)
set -uo pipefail
status=0
fail() { echo "$1: $2" >&2; status=1; }
for program in "$@"; do
  name=$(basename "$program")
  help=$(QT_QPA_PLATFORM=offscreen "$program" --help 2>&1) || fail "$name" "--help failed"
  first=$(printf '%s\n' "$help" | head -n 1)
  [[ $first == "Usage: $name"* ]] || fail "$name" "the usage line names it otherwise: $first"
  grep -q '^Examples:' <<<"$help" || fail "$name" "--help has no examples"
  if grep -q '(see below)' <<<"$help" && ! grep -q '^Scenario files' <<<"$help"; then
    fail "$name" "--help says (see below) with nothing below"
  fi
  version=$(QT_QPA_PLATFORM=offscreen "$program" -v 2>&1) || fail "$name" "-v failed"
  [[ $version == "$name "* ]] || fail "$name" "-v printed: $version"
done
exit $status
