#!/usr/bin/env bash
# The quick-start guide reads as a printed page: A4, a few pages, its body text at 10 to 11 points.
# A word's box in the PDF is its font's line height, 1.1 to 1.3 times the point size whatever the
# font, so the commonest box height tells the body size.
#   quick_start_guide.sh <QuickStart.pdf>
set -euo pipefail
guide=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

info=$(pdfinfo "$guide")
pages=$(awk '/^Pages:/ { print $2 }' <<<"$info")
((pages >= 1 && pages <= 6)) || fail "$pages pages"
[[ $info == *"(A4)"* ]] || fail "not A4: $(grep 'Page size' <<<"$info")"
text=$(pdftotext -layout "$guide" -)
for words in "Connect to a unit" "The main window" "Unable to stop streaming!"; do
  [[ $text == *"$words"* ]] || fail "no \"$words\" in the guide's text"
done
body=$(pdftotext -bbox "$guide" - |
  sed -n 's/.*yMin="\([0-9.]*\)".*yMax="\([0-9.]*\)".*/\1 \2/p' |
  awk '{ printf "%.1f\n", $2 - $1 }' | sort | uniq -c | sort -rn | awk 'NR == 1 { print $2 }')
awk -v h="$body" 'BEGIN { exit !(h >= 11.0 && h <= 14.3) }' ||
  fail "the body's words are $body pt high: not text of 10 to 11 points"
echo "guide: $pages pages, body words $body pt high"
