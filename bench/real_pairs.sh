#!/bin/sh
# Our concordant placements of Debian's real example pairs against bowtie's:
# installs what is missing, builds quorvane-map, runs bench/real_pairs.py.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh bowtie bowtie2-examples python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/real_pairs.py "$@"
