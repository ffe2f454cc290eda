#!/usr/bin/env bash
# Makes the console's three default event sounds with sox, as Ogg Vorbis files named after
# their sound event ids, into the given folder:
#   Telvane_PassageEvent.oga    a pig passed: a bright rising three-note chime, hard to miss
#   Telvane_TriggeredEvent.oga  the unit triggered: a quick two-note call
#   Telvane_IgnoredEvent.oga    an event was ignored: one soft, low blip
# The sound theme lookup finds them in the freedesktop theme, so a theme the user chooses (or
# files of the same name under ~/.local/share/sounds) still overrides them.
# Usage: make-sounds.sh <output folder>
set -euo pipefail
out=${1:?usage: make-sounds.sh <output folder>}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# note <file> <seconds> <frequency>: a sine tone with a soft attack and a decaying tail, so it
# neither clicks nor cuts off.
note() {
  sox -q -n -r 48000 -c 2 -b 16 "$1" synth "$2" sine "$3" sine "$(( $3 * 2 ))" remix 1,2 1,2 \
    fade q 0.005 "$2" "$(awk "BEGIN { print $2 * 0.7 }")"
}

# sound <event id> <gain dB> <note files...>: the notes one after the other, normalised.
sound() {
  local id=$1 gain=$2
  shift 2
  sox -q "$@" -C 5 -t ogg "$out/$id.oga" gain -n "$gain"
}

note "$work/e5.wav" 0.14 659
note "$work/a5.wav" 0.14 880
note "$work/e6.wav" 0.30 1319
note "$work/d5.wav" 0.10 587
note "$work/g5.wav" 0.18 784
note "$work/a3.wav" 0.12 220

sound Telvane_PassageEvent -1 "$work/e5.wav" "$work/a5.wav" "$work/e6.wav"
sound Telvane_TriggeredEvent -3 "$work/d5.wav" "$work/g5.wav"
sound Telvane_IgnoredEvent -9 "$work/a3.wav"
