#!/usr/bin/env bash
# Writes a program's manual page, gzipped as Debian wants it, from the program's own --help and
# --version and the extra sections of its .h2m file, so the page cannot drift from the program.
#   make-man-page.sh <program> <h2m file> <output .1.gz>
set -euo pipefail
program=$1 include=$2 output=$3
page=$(QT_QPA_PLATFORM=offscreen help2man --no-info --no-discard-stderr --include "$include" "$program")
# The console's help ends with where this copy of it found the guide (here: the build folder);
# the page's FILES section says where the package puts it.
page=$(sed '/^Quick\\-start guide:/d' <<<"$page")
gzip -9n <<<"$page" >"$output"
