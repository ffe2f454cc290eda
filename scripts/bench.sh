#!/usr/bin/env bash
# Installs what is missing, builds a Release build in build/bench (without the test suites) and
# runs every benchmark program found there. Extra arguments go to each program, for example
#   scripts/bench.sh --benchmark_filter=OneListener --benchmark_repetitions=5
#   BUILD_DIR   build folder (default build/bench)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build/bench}
export BUILD_TYPE=Release
unset SANITIZER

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_BENCH=ON

mapfile -t programs < <(find "$BUILD_DIR" -type f -name 'bench_*' -perm -u+x | sort)
if [ ${#programs[@]} -eq 0 ]; then
  echo "No benchmark programs in $BUILD_DIR" >&2
  exit 1
fi
status=0
for program in "${programs[@]}"; do
  echo "== $(basename "$program")"
  "$program" "$@" || status=1
done
exit $status
