#!/usr/bin/env bash
# Configures and builds the project with CMake and Ninja.
#   SANITIZER   address | undefined | thread | address,undefined
#   BUILD_DIR   build folder (default build/default, or build/<sanitizers>)
#   BUILD_TYPE  CMake build type (default RelWithDebInfo; Debug with a sanitizer)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/build-settings.sh"

cmake -S "$root" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE="$build_type" -DSANITIZER="$sanitizer" "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
