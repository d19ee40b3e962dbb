#!/bin/sh
# Two threads against one, on plain, FASTQ and gzipped FASTQ reads, with
# and without a BAM file: builds quorvane-map, then runs
# bench/thread_speed.py (`--help` lists its options).
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/thread_speed.py "$@"
