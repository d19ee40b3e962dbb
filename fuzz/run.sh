#!/bin/sh
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder (build-fuzz, apart
# from the gcc build), then runs each for SECONDS seconds from the seeds
# in fuzz/corpus/ and prints executions, time and crashes per target.
# Usage: fuzz/run.sh [SECONDS]   (default 30; CI gives 60)
# Inputs that crash a target are kept as build-fuzz/crashes/TARGET-*; the
# corpus each run grows stays in build-fuzz/corpus/TARGET.
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
BUILD=${FUZZ_BUILD:-build-fuzz}
JOBS=${JOBS:-2}
TARGETS="reads genome settings run index pairs annotation bulge"

for tool in clang-14 clang++-14; do
  command -v "$tool" >/dev/null || { echo "fuzz: $tool is missing (apt-get install clang-14 libfuzzer-14-dev)" >&2; exit 1; }
done
if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_FUZZ=ON -DQUORVANE_SANITIZE=ON -DQUORVANE_GUI=OFF -DQUORVANE_BENCH=OFF -DBUILD_TESTING=OFF
fi
cmake --build "$BUILD" -j "$JOBS" --target fuzzers

mkdir -p "$BUILD/crashes"
failed=0
printf '%-9s %12s %8s %8s %8s\n' target executions seconds exec/s crashes
for t in $TARGETS; do
  corpus="$BUILD/corpus/$t"
  log="$BUILD/fuzz-$t.log"
  mkdir -p "$corpus"
  rm -f "$BUILD/crashes/$t-"*
  rc=0
  "$BUILD/${t}_fuzzer" -max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$BUILD/crashes/$t-" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  crashes=$(ls "$BUILD/crashes/$t-"* 2>/dev/null | wc -l)
  printf '%-9s %12s %8s %8s %8s\n' "$t" "${runs:-?}" "$SECONDS_EACH" "${rate:-?}" "$crashes"
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    echo "fuzz: $t failed (exit $rc); see $log" >&2
    tail -n 30 "$log" >&2
  fi
done
exit "$failed"
