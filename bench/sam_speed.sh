#!/bin/sh
# What the BAM file costs beside the five result files: builds
# quorvane-map, then runs bench/sam_speed.py (`--help` lists its options).
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/sam_speed.py "$@"
