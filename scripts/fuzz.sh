#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers) in
# build/fuzz and runs each of them for the given number of seconds (default 60):
#   scripts/fuzz.sh [seconds] [libFuzzer options...]
#   BUILD_DIR  build folder (default build/fuzz)
#   TARGETS    the targets to build and run, by name without "_fuzz" (default: all), e.g.
#              TARGETS="frame_codec format"
#   JOBS       how many targets run at the same time (default 1); with more than one, each
#              target's output goes to <build>/logs/<name>.log and its final figures are shown
#   NICE       niceness of the runs (default 0; NICE=19 leaves the machine to everything else)
#   BUILD_JOBS parallel compile jobs (default: the number of cores)
# Each target starts from its seed corpus fuzz/corpus/<name> and keeps what it finds in
# <build>/corpus/<name>; a crashing input is written to <build>/artifacts/<name>/. A dictionary
# fuzz/<name>.dict is passed when there is one. The exit status is 1 when any target failed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
build_dir=${BUILD_DIR:-$root/build/fuzz}
jobs=${JOBS:-1}
niceness=${NICE:-0}

bash "$root/scripts/setup.sh" clang libclang-rt-14-dev
export CC=clang CXX=clang++
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! "$CXX" -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "Fuzzing needs clang with libFuzzer: apt-get install clang libclang-rt-dev" >&2
  exit 1
fi

if [ -n "${TARGETS:-}" ]; then
  read -r -a names <<<"$TARGETS"
else
  names=()
  for source in "$root"/fuzz/*_fuzz.cpp; do
    names+=("$(basename "$source" _fuzz.cpp)")
  done
fi
for name in "${names[@]}"; do
  if [ ! -f "$root/fuzz/${name}_fuzz.cpp" ]; then
    echo "No fuzz target '$name' (fuzz/${name}_fuzz.cpp)" >&2
    exit 2
  fi
done

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$CXX" -DSANITIZER=address,undefined \
  -DQUORVEX_BUILD_FUZZ=ON -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "${BUILD_JOBS:-$(nproc)}" --target "${names[@]/%/_fuzz}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Runs one target in the foreground; its status is the target's.
run_target() {
  local name=$1
  shift
  local corpus="$build_dir/corpus/$name" artifacts="$build_dir/artifacts/$name"
  local options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
  if [ -f "$root/fuzz/$name.dict" ]; then
    options+=(-dict="$root/fuzz/$name.dict")
  fi
  mkdir -p "$corpus" "$artifacts"
  nice -n "$niceness" "$build_dir/fuzz/${name}_fuzz" "${options[@]}" "$@" "$corpus" "$root/fuzz/corpus/$name"
}

status=0
if [ "$jobs" -le 1 ]; then
  for name in "${names[@]}"; do
    echo "== $name: $seconds s"
    run_target "$name" "$@" || status=1
  done
  exit $status
fi

logs="$build_dir/logs"
mkdir -p "$logs"
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  echo "== $name: $seconds s, log $logs/$name.log"
  rm -f "$logs/$name.status"
  (
    set +e
    run_target "$name" "$@" >"$logs/$name.log" 2>&1
    echo $? >"$logs/$name.status"
  ) &
done
wait
for name in "${names[@]}"; do
  if [ "$(cat "$logs/$name.status" 2>/dev/null)" = 0 ]; then
    result=ok
  else
    result=FAILED
    status=1
  fi
  echo "== $name: $result, corpus $(find "$build_dir/corpus/$name" -type f | wc -l) inputs"
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
    "$logs/$name.log" || true
  grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$logs/$name.log" || true
done
exit $status
