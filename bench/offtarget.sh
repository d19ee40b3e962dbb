#!/bin/sh
# The off-target benchmark (bench/offtarget.py): bulges on E. coli and on a
# generated genome of 100 Mbp, and every PAM site of that genome through
# the sorted runs. Installs time when missing, builds quorvane-map, then
# runs it. `bench/offtarget.sh --help` lists the options.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh time python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/offtarget.py "$@"
