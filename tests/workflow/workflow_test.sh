#!/bin/sh
# Runs the Snakemake workflow on three tiny samples with two cores and
# checks what it leaves: per sample a sorted, indexed BAM file that samtools
# reads and whose records equal the hits of the position file, the result
# files, and a summary table whose numbers are the run reports'.
# Usage: workflow_test.sh SOURCE_DIR QUORVANE_MAP
# Exits 77 (skipped) when snakemake or samtools is missing.
set -eu
src=$1 qm=$2
command -v snakemake >/dev/null 2>&1 || { echo "snakemake is not installed"; exit 77; }
command -v samtools >/dev/null 2>&1 || { echo "samtools is not installed"; exit 77; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "workflow_test: $*" >&2; exit 1; }
cd "$tmp"

# Three samples from the bundled example: gzipped FASTQ, plain FASTQ and
# plain lines, of different sizes; and a fourth of read pairs.
zcat "$src/examples/lambda_reads.fq.gz" | head -n 2000 | gzip -c >one.fq.gz
zcat "$src/examples/lambda_reads.fq.gz" | sed -n 2001,4000p >two.fq
sed -n 1,300p "$src/examples/lambda_reads.txt" >three.txt
printf 'sample\treads\treads2\nS1\tone.fq.gz\t\nS2\ttwo.fq\nS3\tthree.txt\t\nP4\t%s\t%s\n' \
  "$src/examples/lambda_pairs_1.fq.gz" "$src/examples/lambda_pairs_2.fq.gz" >samples.tsv

snakemake --cores 2 -s "$src/workflow/Snakefile" --directory "$tmp" \
  --config samples=samples.tsv genome="$src/examples/lambda.fa.gz" quorvane="$qm" mismatches=1 threads=2 \
  >snakemake.log 2>&1 || { tail -n 40 snakemake.log >&2; fail "snakemake failed"; }

[ -f quorvane/summary.tsv ] || fail "no summary"
[ "$(sed -n 1p quorvane/summary.tsv | cut -f1-2)" = "$(printf 'sample\tinput reads')" ] || fail "summary header"
for s in S1 S2 S3; do
  bam=quorvane/$s/$s.bam
  samtools quickcheck "$bam" || fail "$s: samtools quickcheck"
  [ -f "$bam.bai" ] || fail "$s: no index"
  [ ! -e "quorvane/$s/$s.unsorted.bam" ] || fail "$s: the unsorted BAM was kept"
  samtools view -H "$bam" | grep -q '^@HD.*SO:coordinate' || fail "$s: not sorted by coordinate"
  log=$(ls quorvane/$s/results/*MapRds_Log.txt)
  pos=$(ls quorvane/$s/results/*MapRdsPos.txt)
  # The summary's numbers are the run report's.
  row=$(grep "^$s	" quorvane/summary.tsv)
  reads_in=$(sed -n 's/^reads in= //p' "$log")
  hits=$(sed -n 's/^mapped pos in genome= //p' "$log")
  [ "$(echo "$row" | cut -f5)" = "$reads_in" ] || fail "$s: summary reads in $(echo "$row" | cut -f5), log $reads_in"
  [ "$(echo "$row" | cut -f7)" = "$hits" ] || fail "$s: summary hits"
  # Every hit is a mapped record of the BAM file.
  [ "$(samtools view -c -F 4 "$bam")" = "$hits" ] || fail "$s: $(samtools view -c -F 4 "$bam") mapped records, $hits hits"
  [ "$(($(wc -l <"$pos")))" = "$hits" ] || fail "$s: position file lines"
done
# The pair sample: its pair files, two proper-pair records a placement,
# and its row with the report's pairs.
plog=$(ls quorvane/P4/results/*MapPairs_Log.txt)
placements=$(sed -n 's/^concordant placements= //p' "$plog")
[ "$placements" -gt 400 ] || fail "P4: $placements placements"
[ "$(samtools view -c -f 2 quorvane/P4/P4.bam)" = "$((2 * placements))" ] || fail "P4: proper-pair records"
[ "$(($(wc -l <quorvane/P4/results/lambda_pairs_1_lambda_m1MapPairsPos.txt) - 1))" = "$placements" ] ||
  fail "P4: placements file lines"
row=$(grep "^P4	" quorvane/summary.tsv)
[ "$(echo "$row" | cut -f2)" = 1000 ] || fail "P4: summary input $(echo "$row" | cut -f2)"
[ "$(echo "$row" | cut -f5)" = "$(sed -n 's/^pairs in= //p' "$plog")" ] || fail "P4: summary pairs in"
[ "$(echo "$row" | cut -f7)" = "$placements" ] || fail "P4: summary placements"
[ "$(echo "$row" | cut -f10)" = pairs ] || fail "P4: summary unit"
[ "$(grep "^S2	" quorvane/summary.tsv | cut -f10)" = reads ] || fail "S2: summary unit"
[ "$(sed -n 1p quorvane/summary.tsv | cut -f10)" = unit ] || fail "summary unit header"
[ "$(grep -c . quorvane/summary.tsv)" = 5 ] || fail "summary rows"
# The genome was indexed once, and every sample mapped that index.
[ -f quorvane/index/lambda.qvi ] || fail "no saved index"
[ "$(grep -c '^rule genome_index:' snakemake.log)" = 1 ] || fail "the genome was indexed $(grep -c '^rule genome_index:' snakemake.log) times"
[ "$(grep -c 'quorvane/index/lambda.qvi' snakemake.log)" -ge 5 ] || fail "the samples did not map the saved index"

# Nothing to do a second time.
snakemake --cores 2 -s "$src/workflow/Snakefile" --directory "$tmp" \
  --config samples=samples.tsv genome="$src/examples/lambda.fa.gz" quorvane="$qm" mismatches=1 threads=2 \
  >again.log 2>&1 || fail "second run failed"
grep -q "Nothing to be done" again.log || fail "the second run did work again"
echo "workflow_test: 3 samples and 1 of pairs mapped, sorted, indexed and summarised"
