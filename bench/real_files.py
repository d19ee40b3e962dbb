"""Maps the real files that Debian's bowtie2-examples and bowtie-examples
ship -- the lambda reads reads_1.fq.gz (FASTQ, gzipped) against the lambda
FASTA and against the gzipped E. coli FASTA -- with quorvane-map, straight
from the compressed files, and with `bowtie -v k -a`, for k 0 to 3, and
compares their hits (read, strand, position, mismatches); hits of ours that
cross a circular genome's origin are set aside, as bowtie cannot report
them. Prints a Markdown table and exits with 1 on any disagreement. Run
through bench/real_files.sh, which installs and builds first."""

import gzip
import os
import subprocess
import sys
import time

import hits

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out", "real")
OURS = os.path.join(ROOT, "build", "quorvane-map")
READS = "/usr/share/doc/bowtie2/examples/reads/reads_1.fq.gz"
GENOMES = {
    "lambda": "/usr/share/doc/bowtie2/examples/reference/lambda_virus.fa.gz",
    "E. coli": "/usr/share/doc/bowtie/examples/genomes/NC_008253.fna.gz",
}


def fastq(path):
    """(names, sequences) of a gzipped FASTQ file."""
    names, seqs = [], []
    with gzip.open(path, "rt") as f:
        lines = f.read().split("\n")
    for i in range(0, len(lines) - 3, 4):
        names.append(lines[i][1:].split()[0])
        seqs.append(lines[i + 1])
    return names, seqs


def fasta_letters(path):
    with gzip.open(path, "rt") as f:
        return "".join(line.strip() for line in f if not line.startswith(">"))


def timed(cmd, out=None):
    t = time.time()
    r = subprocess.run(cmd, stdout=out or subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(cmd), r.stderr))
    return time.time() - t


def bowtie_hits(path, index_of, seqs):
    out = hits.HitSet()
    with open(path) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            read = index_of[fields[0]]
            mis = len(fields[7].split(",")) if len(fields) > 7 and fields[7] else 0
            out.add(read, hits.peer_pos(fields[1], int(fields[3]), len(seqs[read])), mis)
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    names, seqs = fastq(READS)
    index_of = {n: i for i, n in enumerate(names)}
    plain_reads = os.path.join(OUT, "reads_1.fq")
    with open(plain_reads, "w") as f, gzip.open(READS, "rt") as g:
        f.write(g.read())
    rows, failed = [], False
    for gname, gpath in GENOMES.items():
        genome = fasta_letters(gpath)
        stem = gname.replace(". ", "").lower()
        fa = os.path.join(OUT, stem + ".fa")
        with open(fa, "w") as f:
            f.write(">%s\n%s\n" % (stem, genome))
        index = os.path.join(OUT, stem)
        if not os.path.exists(index + ".1.ebwt"):
            subprocess.run(["bowtie-build", "-q", fa, index], check=True, stdout=subprocess.DEVNULL)
        for k in range(4):
            run = os.path.join(OUT, "%s_m%d" % (stem, k))
            os.makedirs(run, exist_ok=True)
            for old in os.listdir(run):
                os.remove(os.path.join(run, old))
            ours_s = timed([OURS, "-g", gpath, "-r", READS, "-o", run, "-m", str(k), "-t", "1", "-q"])
            ours = hits.read_ours(run, seqs, k)
            bt_out = os.path.join(run, "hits.bowtie")
            bt_s = timed(["bowtie", "-v", str(k), "-a", "-p", "1", "--quiet", "-q", index, plain_reads, bt_out])
            peer = bowtie_hits(bt_out, index_of, seqs)
            inner, crossing = hits.split_origin(ours, seqs, len(genome))
            same, only_ours, only_peer, differ = hits.compare(inner, peer.hits)
            ok = not (only_ours or only_peer or differ)
            failed |= not ok
            rows.append("| %s | %d | %d | %d | %d | %d | %d | %s | %.2f | %.2f |" % (
                gname, k, len(ours.hits), crossing, len(peer.hits), same, len(only_ours) + len(only_peer) + len(differ),
                "yes" if ok else "NO", ours_s, bt_s))
            print(rows[-1], file=sys.stderr, flush=True)
    print("reads: %s (%d reads); genomes straight from their gzipped FASTA files\n" % (READS, len(seqs)))
    print("| genome | misNu | hits of ours | of them across the origin | bowtie's hits | agree | differ | equal | ours s | bowtie s |")
    print("|---|---:|---:|---:|---:|---:|---:|---|---:|---:|")
    print("\n".join(rows))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
