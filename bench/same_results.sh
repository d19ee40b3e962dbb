#!/bin/sh
# Maps the benchmark inputs with two builds of quorvane-map and checks that
# they leave the same bytes: every result file, SAM and BAM file, saved
# index, and what each run prints (its seconds aside). For a change that
# must not change behaviour, such as moving code between folders.
#
# Usage: bench/same_results.sh OLD_BINARY NEW_BINARY [WORK_DIR]
# WORK_DIR defaults to bench/out/same; the genome is ../shared/data/ecoli.txt,
# or the bundled lambda genome where that is absent.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: $0 OLD_BINARY NEW_BINARY [WORK_DIR]" >&2; exit 2; }
old=$(realpath "$1")
new=$(realpath "$2")
work=${3:-$here/out/same}
rm -rf "$work"
mkdir -p "$work/in"
in=$work/in

genome=$here/../../shared/data/ecoli.txt
[ -f "$genome" ] || genome=$here/../examples/lambda.txt
cp "$genome" "$in/genome.txt"
cp "$here/../examples/lambda.fa.gz" "$here/../examples/lambda_reads.fq.gz" "$in/"

# Reads of 100 and 36 letters and guides of 20, drawn from the genome with
# substitutions, the same on every call.
python3 - "$in" <<'EOF'
import gzip, os, random, sys
d = sys.argv[1]
g = open(os.path.join(d, 'genome.txt')).read().strip().upper()
comp = str.maketrans('ACGT', 'TGCA')
rng = random.Random(22)
def draw(n):
    s = rng.randrange(0, len(g) - n)
    r = g[s:s + n]
    if rng.random() < 0.5:
        r = r.translate(comp)[::-1]
    r = list(r)
    for _ in range(rng.randrange(0, 4)):
        r[rng.randrange(n)] = rng.choice('ACGT')
    return ''.join(r)
with open(os.path.join(d, 'reads100.txt'), 'w') as f:
    for i in range(20000):
        f.write(draw(100) + '\n')
with gzip.open(os.path.join(d, 'reads36.fq.gz'), 'wt') as f:
    for i in range(20000):
        r = draw(36)
        f.write('@r%d\n%s\n+\n%s\n' % (i, r, 'I' * len(r)))
with open(os.path.join(d, 'guides.txt'), 'w') as f:
    for i in range(50):
        f.write('>g%d\n%s\n' % (i, draw(20)))
EOF

# Each side runs in its own folder with the same relative paths, so that
# command lines in SAM headers and messages read the same.
side() {
  dir=$work/$1
  mkdir -p "$dir/out"
  cp "$2" "$dir/quorvane-map"  # a copy: the program names itself from its own file
  ln -s "$in" "$dir/in"
  cd "$dir"
  n=0
  run() {
    n=$((n + 1))
    set +e
    ./quorvane-map "$@" > "out/$n.stdout" 2> "out/$n.stderr"
    echo "exit $?" >> "out/$n.stdout"
    set -e
    # Elapsed seconds differ from run to run.
    sed -i -E 's/^(seconds =).*/\1 S/; s/(in )[0-9.]+ s/\1S s/' "out/$n.stdout" "out/$n.stderr"
  }
  for k in 0 1 2 3; do
    mkdir -p "out/plain$k"
    run -g in/genome.txt -r in/reads100.txt -o "out/plain$k" -m $k --sam "out/plain$k.sam" -t 2
  done
  mkdir -p out/fq out/idx out/lambda out/guides out/guides5
  run -g in/genome.txt -r in/reads36.fq.gz -o out/fq -m 3 --show-mismatches --sam out/fq.bam -t 1
  run index in/genome.txt -o out/genome.qvi -q
  run -g out/genome.qvi -r in/reads100.txt -o out/idx -m 3 --sam out/idx.bam -t 2
  run -g out/genome.qvi -r in/reads100.txt -m 1 --sam - -u -q
  run -g in/lambda.fa.gz -r in/lambda_reads.fq.gz -o out/lambda -m 2 --sam out/lambda.sam
  run guides -g in/genome.txt -q in/guides.txt --pam NGG -m 3 -o out/guides --sam out/guides.sam
  run guides -g out/genome.qvi -q in/guides.txt --pam-5 TTTV -m 4 -o out/guides5 --quiet
  run guides -g in/genome.txt -q in/guides.txt --pam NGG -m 2 --sam - --quiet
  # Refusals and their messages.
  run -g in/genome.txt -r in/missing.txt -o out -m 1
  run -g in/genome.txt -r in/reads100.txt -o out/none -m 1
  run -g in/genome.txt -r in/reads100.txt -o out -m 4
  run guides -g in/genome.txt -q in/guides.txt --pam NXG -m 1 -o out
  head -c 100000 out/genome.qvi > out/cut.qvi
  run -g out/cut.qvi -r in/reads100.txt -o out -m 1
  rm out/cut.qvi
}
(side old "$old")
(side new "$new")

if diff -r "$work/old/out" "$work/new/out" > "$work/diff.txt"; then
  echo "same results: $(find "$work/new/out" -type f | wc -l) files byte-identical"
else
  echo "results differ (see $work/diff.txt):" >&2
  head -20 "$work/diff.txt" >&2
  exit 1
fi
