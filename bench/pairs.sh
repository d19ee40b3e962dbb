#!/bin/sh
# Read pairs against razers3 and bowtie in paired mode, two threads
# against one, and what BAM costs: installs what is missing, builds
# quorvane-map, then runs bench/pairs.py (`--help` lists its options).
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh bowtie seqan-apps samtools time python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/pairs.py "$@"
