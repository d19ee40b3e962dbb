#!/bin/sh
# The SAM and BAM files on real data, checked with samtools and against
# bowtie: installs what is missing, builds quorvane-map, runs
# bench/sam_checks.py.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh samtools bowtie bowtie-examples bowtie2-examples python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/sam_checks.py "$@"
