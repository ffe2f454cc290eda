#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# SANITIZER, BUILD_DIR and BUILD_TYPE are as for scripts/build.sh; extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

# Set before the build too: the build runs programs of ours (the icon renderer) that are
# instrumented like everything else.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan-qt.supp}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan-libraries.supp}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300 "$@"
