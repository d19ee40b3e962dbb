#!/bin/sh
# The PAM site table rows (bench/site_table.py): builds what it needs, then
# runs it.
set -eu
cd "$(dirname "$0")/.."
[ -x /usr/bin/time ] || apt-get install -y time >/dev/null
cmake --build build --target quorvane-map huge_genome >/dev/null
exec python3 bench/site_table.py "$@"
