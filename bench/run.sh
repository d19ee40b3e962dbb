#!/bin/sh
# The benchmark against bowtie and razers3: installs what is missing, builds
# quorvane-map, then runs bench/bench.py. `bench/run.sh --help` lists the
# options; `bench/run.sh --reads 10000` makes a quick run. The table goes to
# standard output and to bench/out/results.md.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh bowtie seqan-apps time python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/bench.py "$@"
