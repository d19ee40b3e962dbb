"""Maps the real read pairs of Debian's bowtie2-examples (reads_1.fq.gz and
reads_2.fq.gz, 10,000 pairs of lambda reads of 50 to 300 letters) against
the lambda genome with `quorvane-map -1 -2` and with `bowtie -v k -a -I 0
-X 500 --fr`, for k 0 to 3, the genome taken as linear as bowtie reads it,
and compares the concordant placements (pair, mate 1's position, mate 2's
position). bowtie 1 does not pair mates where one contains the other (a
long mate spanning the whole fragment); the rule of quorvane-map does, so
those are counted apart. Prints a Markdown table and exits with 1 on any
other difference. Run through bench/real_pairs.sh."""

import gzip
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out", "real_pairs")
OURS = os.path.join(ROOT, "build", "quorvane-map")
EX = "/usr/share/doc/bowtie2/examples"
GENOME = EX + "/reference/lambda_virus.fa.gz"
MATES = [EX + "/reads/reads_1.fq.gz", EX + "/reads/reads_2.fq.gz"]


def lengths(path):
    """Each read's letters count by its name."""
    with gzip.open(path, "rt") as f:
        lines = f.read().split("\n")
    return {lines[i][1:].split()[0]: len(lines[i + 1]) for i in range(0, len(lines) - 3, 4)}


def ours(k):
    """{(pair, pos1, pos2): F} of our placements file."""
    d = os.path.join(OUT, "ours_m%d" % k)
    os.makedirs(d, exist_ok=True)
    for x in os.listdir(d):
        os.remove(os.path.join(d, x))
    subprocess.run([OURS, "-g", GENOME, "-1", MATES[0], "-2", MATES[1], "-o", d, "-m", str(k), "-I", "0", "-X", "500",
                    "--linear", "-q", "-t", "2"], check=True, stdout=subprocess.DEVNULL)
    out = {}
    for name in os.listdir(d):
        if name.endswith("MapPairsPos.txt"):
            with open(os.path.join(d, name)) as f:
                next(f)
                for line in f:
                    x = line.rstrip("\n").split("\t")
                    out[(x[1], x[3], x[4])] = int(x[7])
    return out


def bowtie(k, index):
    """{(pair, pos1, pos2)} of bowtie's concordant alignments, in our signed positions."""
    plain = []
    for i, m in enumerate(MATES):
        p = os.path.join(OUT, "mates_%d.fq" % (i + 1))
        if not os.path.exists(p):
            with gzip.open(m, "rb") as src, open(p, "wb") as dst:
                dst.write(src.read())
        plain.append(p)
    hits = os.path.join(OUT, "bowtie_m%d.txt" % k)
    subprocess.run(["bowtie", "-v", str(k), "-a", "-I", "0", "-X", "500", "--fr", "-p", "2", "--quiet", "-x", index,
                    "-1", plain[0], "-2", plain[1], hits], check=True)

    def pos(r):
        off = int(r[3])
        return "+%d" % (off + 1) if r[1] == "+" else "-%d" % (off + len(r[4]))

    out = set()
    with open(hits) as f:
        lines = f.read().strip().split("\n")
    for i in range(0, len(lines) - 1, 2):
        a, b = lines[i].split("\t"), lines[i + 1].split("\t")
        if a[0].endswith("/2"):
            a, b = b, a
        out.add((a[0].rsplit("/", 1)[0], pos(a), pos(b)))
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    fasta = os.path.join(OUT, "lambda.fa")
    with gzip.open(GENOME, "rb") as src, open(fasta, "wb") as dst:
        dst.write(src.read())
    index = os.path.join(OUT, "lambda")
    subprocess.run(["bowtie-build", "-q", fasta, index], check=True, stdout=subprocess.DEVNULL)
    len1, len2 = lengths(MATES[0]), lengths(MATES[1])
    rows, ok = [], True
    for k in range(4):
        mine, theirs = ours(k), bowtie(k, index)
        only_ours = set(mine) - theirs
        contained = {p for p in only_ours if mine[p] <= max(len1[p[0]], len2[p[0]])}
        differ = len(theirs - set(mine)) + len(only_ours - contained)
        ok = ok and differ == 0
        rows.append("| %d | %s | %s | %s | %s |" % (k, format(len(mine), ","), format(len(theirs), ","),
                                                  format(len(contained), ","),
                                                  "equal" if differ == 0 else "**%d differ**" % differ))
    table = ("| k | ours | bowtie | ours only: one mate contains the other | the rest |\n|---:|---:|---:|---:|---|\n" +
             "\n".join(rows) + "\n")
    print(table)
    with open(os.path.join(ROOT, "bench", "out", "real_pairs.md"), "w") as f:
        f.write(table)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
