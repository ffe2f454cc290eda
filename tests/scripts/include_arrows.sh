#!/usr/bin/env bash
# The house's arrows run one way: a folder includes only the folders below it, and the Qt-free
# folders include no Qt. A wrong include would make one program depend on its sibling.
set -euo pipefail
root=$1
cd "$root"

# folder: the top folders its files may include from
declare -A below=(
  [support]="support"
  [device]="device support"
  [simulator]="simulator tracking support"
  [discovery]="discovery support"
  [session]="session device support"
  [journal]="journal session device support"
  [controlroom]="controlroom journal session device support"
  [tracking]="tracking support"
  [runreport]="runreport tracking journal session device support"
  [tracker]="tracker tracking controlroom journal session device support"
  [cli]="cli session journal controlroom device simulator support"
  [console]="console session journal controlroom tracking runreport device discovery simulator support"
)
qt_free=(support/platform support/logging support/communication support/program support/threading
         support/logfile support/config support/system device simulator cli session
         journal controlroom tracking runreport tracker)

status=0
for folder in "${!below[@]}"; do
  allowed=$(echo "${below[$folder]}" | sed 's/ /|/g')
  if wrong=$(grep -rnE '^#include "' "$folder" --include='*.h' --include='*.cpp' \
               | grep -vE "#include \"($allowed)/"); then
    echo "$folder may include only ${below[$folder]}:"; echo "$wrong"; status=1
  fi
done
for folder in "${qt_free[@]}"; do
  if wrong=$(grep -rnE '^#include <Q' "$folder" --include='*.h' --include='*.cpp'); then
    echo "$folder is Qt-free:"; echo "$wrong"; status=1
  fi
done
[ "$status" = 0 ] && echo "include arrows: ${#below[@]} folders, ${#qt_free[@]} Qt-free, all in order"
exit "$status"
