#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers) in
# build/fuzz and runs each of them for the given number of seconds (default 60):
#   scripts/fuzz.sh [seconds] [libFuzzer options...]
#   BUILD_DIR  build folder (default build/fuzz)
# Each target starts from its seed corpus fuzz/corpus/<name> and keeps what it finds in
# <build>/corpus/<name>; a crashing input is written to <build>/artifacts/<name>/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
build_dir=${BUILD_DIR:-$root/build/fuzz}

bash "$root/scripts/setup.sh" clang libclang-rt-14-dev
export CC=clang CXX=clang++
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! "$CXX" -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "Fuzzing needs clang with libFuzzer: apt-get install clang libclang-rt-dev" >&2
  exit 1
fi

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$CXX" -DSANITIZER=address,undefined \
  -DQUORVEX_BUILD_FUZZ=ON -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in "$build_dir"/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus="$build_dir/corpus/$name"
  artifacts="$build_dir/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: $seconds s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" \
    "$corpus" "$root/fuzz/corpus/$name" || status=1
done
exit $status
