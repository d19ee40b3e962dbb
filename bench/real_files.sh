#!/bin/sh
# Our hits on Debian's real example files against bowtie's: installs what is
# missing, builds quorvane-map, runs bench/real_files.py.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh bowtie bowtie-examples bowtie2-examples python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/real_files.py "$@"
