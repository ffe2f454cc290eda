#!/usr/bin/env bash
# Installs what is missing, builds everything and lists what was built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

echo "Built in $build_dir:"
(cd "$build_dir" && find . -type f \( -name 'libquorvex_*.a' -o -name 'test_*' -o -name 'bench_*' \) \
  ! -name '*.cmake' ! -name '*.txt' | sed 's|^\./|  |' | sort)
