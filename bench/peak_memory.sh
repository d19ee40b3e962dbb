#!/bin/sh
# Peak memory of a run whose reads have very many hits: 8,192 reads of 12
# A against a genome of 10,000 A (10,000 hits each, 82 million in all,
# 1.9 GB of position file), with -t 2 and with -t 1024. Memory in flight
# is bounded in bytes whatever the hits per read, and threads beyond the
# processor's cost nothing: each run must peak below LIMIT_MB (300), and
# -t 1024 within 32 MB of -t 2. Exits with 1 when either fails.
# Usage: bench/peak_memory.sh [BUILD]   (default build; needs /usr/bin/time)
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build}
LIMIT_MB=${LIMIT_MB:-300}
MAP="$BUILD/quorvane-map"
[ -x "$MAP" ] || { echo "peak_memory: $MAP is missing (make)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "peak_memory: /usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/res"
awk 'BEGIN { for (i = 0; i < 10000; i++) printf "A" }' >"$work/genome.txt"
awk 'BEGIN { for (i = 0; i < 8192; i++) print "AAAAAAAAAAAA" }' >"$work/reads.txt"

peak() {
  /usr/bin/time -f %M -o "$work/kb" "$MAP" -g "$work/genome.txt" -r "$work/reads.txt" -o "$work/res" -q -t "$1"
  echo $(($(cat "$work/kb") / 1024))
}

t2=$(peak 2)
hits=$(grep -c . "$work/res/reads_genome_m0MapRdsPos.txt")
t1024=$(peak 1024)
echo "8,192 reads of 12 A against 10 kb of A: $((hits - 1)) hits"
echo "peak memory -t 2:    $t2 MB (limit $LIMIT_MB MB)"
echo "peak memory -t 1024: $t1024 MB"
fail=0
[ "$t2" -lt "$LIMIT_MB" ] || { echo "peak_memory: -t 2 peaks at $t2 MB" >&2; fail=1; }
[ "$t1024" -lt "$LIMIT_MB" ] && [ "$t1024" -le $((t2 + 32)) ] || { echo "peak_memory: -t 1024 peaks at $t1024 MB" >&2; fail=1; }
exit "$fail"
