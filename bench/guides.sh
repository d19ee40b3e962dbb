#!/bin/sh
# The guide search benchmark (bench/guides.py): installs bowtie and time
# when missing, builds quorvane-map, then runs it. `bench/guides.sh --help`
# lists the options; `bench/guides.sh --no-big` leaves the 100 Mbp genome out.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh bowtie time python3
make -s build JOBS="${JOBS:-2}" >&2

exec python3 -B bench/guides.py "$@"
