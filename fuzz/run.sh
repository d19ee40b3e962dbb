#!/bin/sh
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder (build-fuzz, apart
# from the gcc build), then runs each for SECONDS seconds from the seeds
# in fuzz/corpus/ and prints executions, time and crashes per target.
# Usage: fuzz/run.sh [SECONDS]   (default 30; CI gives 45)
# FUZZ_TARGETS="pairs run" runs only those targets.
# Inputs that crash a target are kept as build-fuzz/crashes/TARGET-crash-*
# (leak-, timeout-, oom- for the other failures) and fail it, as does a
# target that exits with anything but 0. Inputs of 10 seconds or more are
# kept beside them as TARGET-slow-unit-*: counted and shown, no failure. The
# corpus each run grows stays in build-fuzz/corpus/TARGET.
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
BUILD=${FUZZ_BUILD:-build-fuzz}
JOBS=${JOBS:-2}
SLOW=10  # seconds of one input that libFuzzer reports as slow
TARGETS=${FUZZ_TARGETS:-reads genome settings run index pairs annotation bulge site_table}

for tool in clang-14 clang++-14; do
  command -v "$tool" >/dev/null || { echo "fuzz: $tool is missing (apt-get install clang-14 libfuzzer-14-dev)" >&2; exit 1; }
done
if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_FUZZ=ON -DQUORVANE_SANITIZE=ON -DQUORVANE_GUI=OFF -DQUORVANE_BENCH=OFF -DBUILD_TESTING=OFF
fi
cmake --build "$BUILD" -j "$JOBS" --target fuzzers

# Why a target failed: libFuzzer's exit code with the summary line that
# libFuzzer or a sanitizer ends its report with, or the signal that killed
# it, and the artifacts it left.
reason() {
  rc=$1 log=$2 artifacts=$3
  summary=$(grep -m1 '^SUMMARY: ' "$log" | sed 's/^SUMMARY: //' || true)
  if [ "$rc" -gt 128 ]; then
    why="killed by signal $((rc - 128)) ($(kill -l $((rc - 128)) 2>/dev/null || echo unknown))"
  elif [ -n "$summary" ]; then
    why=$summary
  elif [ "$rc" -ne 0 ]; then
    why="no report in its log"
  else
    why="exited normally"
  fi
  printf 'exit code %s, %s' "$rc" "$why"
  [ -z "$artifacts" ] || printf '; failing inputs:%s' "$artifacts"
  # The check that broke, when one of the targets' own checks did.
  check=$(grep -m1 -E '^[^ ]+_fuzzer\.cc:[0-9]+: ' "$log" || true)
  [ -z "$check" ] || printf '\n  %s' "$check"
}

mkdir -p "$BUILD/crashes"
failed=""
printf '%-10s %11s %8s %8s %8s %5s\n' target executions seconds exec/s crashes slow
for t in $TARGETS; do
  corpus="$BUILD/corpus/$t"
  log="$BUILD/fuzz-$t.log"
  mkdir -p "$corpus"
  rm -f "$BUILD/crashes/$t-"*
  rc=0
  "$BUILD/${t}_fuzzer" -max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=2048 -report_slow_units="$SLOW" \
    -print_final_stats=1 -artifact_prefix="$BUILD/crashes/$t-" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  # libFuzzer names an input after what it did: crash-, leak-, timeout-,
  # oom- ones broke the target; slow-unit- ones only took SLOW seconds or
  # more.
  artifacts="" crashes=0 slowUnits="" slow=0
  for f in "$BUILD/crashes/$t-"*; do
    [ -e "$f" ] || continue
    case $f in
      "$BUILD/crashes/$t-"slow-unit-*) slowUnits="$slowUnits $f" slow=$((slow + 1)) ;;
      *) artifacts="$artifacts $f" crashes=$((crashes + 1)) ;;
    esac
  done
  printf '%-10s %11s %8s %8s %8s %5s\n' "$t" "${runs:-?}" "$SECONDS_EACH" "${rate:-?}" "$crashes" "$slow"
  if [ "$slow" -ne 0 ]; then
    echo "fuzz: $t: $slow input(s) ran $SLOW seconds or more, no failure:$slowUnits" >&2
  fi
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed="$failed $t"
    echo "fuzz: $t failed: $(reason "$rc" "$log" "$artifacts")" >&2
    echo "fuzz: the end of $log:" >&2
    tail -n 30 "$log" >&2
  fi
done
if [ -n "$failed" ]; then
  echo "fuzz: failed:$failed" >&2
  exit 1
fi
