"""The SAM and BAM files of quorvane-map on real data, checked with samtools
and against bowtie: the lambda FASTQ reads of Debian's bowtie2-examples
against the lambda genome, and reads simulated from the E. coli genome
../shared/data/ecoli.txt (36 and 100 letters; skipped when the file is
absent), for misNu 0 to 3. For every run:

- samtools quickcheck, flagstat, sort and index succeed on the BAM file;
- the (read, strand, leftmost position) of its mapped records equal those of
  the run's position file and of `bowtie -v k -a --sam`, hits across a
  circular genome's origin set aside (bowtie cannot report them), and its
  NM and MD tags equal bowtie's;
- `samtools calmd` against the genome changes no NM or MD tag of a record
  that stays within its sequence.

Prints a Markdown table; exits with 1 on any disagreement. Run through
bench/sam_checks.sh, which installs and builds first."""

import gzip
import os
import subprocess
import sys

import hits
import inputs
from real_files import fastq, fasta_letters

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out", "sam")
OURS = os.path.join(ROOT, "build", "quorvane-map")
LAMBDA_READS = "/usr/share/doc/bowtie2/examples/reads/reads_1.fq.gz"
LAMBDA = "/usr/share/doc/bowtie2/examples/reference/lambda_virus.fa.gz"
ECOLI = os.path.normpath(os.path.join(ROOT, "..", "shared", "data", "ecoli.txt"))
ECOLI_READS = 20000


def run(cmd, stdout=subprocess.DEVNULL):
    r = subprocess.run(cmd, stdout=stdout, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        raise SystemExit("failed (exit %d): %s\n%s" % (r.returncode, " ".join(cmd), r.stderr))
    return r


def sam_lines(path):
    """The records of a SAM or BAM file as lists of fields."""
    out = run(["samtools", "view", path], stdout=subprocess.PIPE).stdout
    return [line.split("\t") for line in out.split("\n") if line]


def tags(fields):
    return {f[:2]: f[5:] for f in fields[11:]}


def mapped(records, length_of):
    """(qname, strand, pos) -> (NM, MD) of the mapped records; how many run
    past the sequence's end (across a circular origin) and were set aside."""
    out, crossing = {}, 0
    for f in records:
        flag = int(f[1])
        if flag & 4:
            continue
        pos, n = int(f[3]), len(f[9])
        if pos + n - 1 > length_of[f[2]]:
            crossing += 1
            continue
        t = tags(f)
        out[(f[0], "-" if flag & 16 else "+", pos)] = (t.get("NM"), t.get("MD"))
    return out, crossing


def position_file(run_dir, seqs, names, k, gnm_len):
    """(qname, strand, leftmost pos) of the position file's hits that stay
    within the genome."""
    out = set()
    for (read, pos), _ in hits.read_ours(run_dir, seqs, k).hits.items():
        n = len(seqs[read])
        if hits.crosses_origin(pos, n, gnm_len):
            continue
        out.add((names[read], "+", pos) if pos > 0 else (names[read], "-", -pos - n + 1))
    return out


def calmd_changes(sorted_bam, fasta, length_of):
    """Records within their sequence whose NM or MD calmd changes; records
    across the origin it changes (it cannot see past LN)."""
    before = sam_lines(sorted_bam)
    after = [line.split("\t") for line in run(["samtools", "calmd", sorted_bam, fasta], stdout=subprocess.PIPE)
             .stdout.split("\n") if line and not line.startswith("@")]
    if len(before) != len(after):
        raise SystemExit("calmd gave %d records for %d" % (len(after), len(before)))
    inner, crossing = [], 0
    for b, a in zip(before, after):
        if int(b[1]) & 4:
            continue
        tb, ta = tags(b), tags(a)
        changed = (tb.get("NM"), tb.get("MD")) != (ta.get("NM"), ta.get("MD"))
        if int(b[3]) + len(b[9]) - 1 > length_of[b[2]]:
            crossing += changed
        elif changed:
            inner.append("%s %s: NM %s MD %s -> NM %s MD %s" % (b[0], b[3], tb.get("NM"), tb.get("MD"),
                                                                ta.get("NM"), ta.get("MD")))
    return inner, crossing


def dataset_lambda():
    names, seqs = fastq(LAMBDA_READS)
    fa = os.path.join(OUT, "lambda.fa")
    with open(fa, "w") as f, gzip.open(LAMBDA, "rt") as g:
        f.write(g.read())
    plain = os.path.join(OUT, "reads_1.fq")
    with open(plain, "w") as f, gzip.open(LAMBDA_READS, "rt") as g:
        f.write(g.read())
    return {"name": "lambda FASTQ", "genome": LAMBDA, "reads": LAMBDA_READS, "fasta": fa, "peer_reads": plain,
            "peer_format": "-q", "names": names, "seqs": seqs, "peer_name": lambda q: q,
            "gnm_len": len(fasta_letters(LAMBDA))}


def dataset_ecoli(length):
    with open(ECOLI) as f:
        genome = f.read().strip().upper()
    fa = os.path.join(OUT, "ecoli.fa")
    inputs.write_fasta(fa, "ecoli", genome, ECOLI)
    seqs = inputs.simulate_reads(genome, length, ECOLI_READS)
    base = os.path.join(OUT, "ecoli_reads%d" % length)
    inputs.write_reads(seqs, base + ".txt", base + ".fa")
    # A plain reads file: QNAME is the line number; bowtie's names are 0-based.
    return {"name": "E. coli, %d letters" % length, "genome": ECOLI, "reads": base + ".txt", "fasta": fa,
            "peer_reads": base + ".fa", "peer_format": "-f", "names": [str(i + 1) for i in range(len(seqs))],
            "seqs": seqs, "peer_name": lambda q: str(int(q) + 1), "gnm_len": len(genome)}


def check(ds, k, rows):
    problems = []
    stem = ds["name"].replace(",", "").replace(".", "").replace(" ", "_").lower()
    run_dir = os.path.join(OUT, "%s_m%d" % (stem, k))
    os.makedirs(run_dir, exist_ok=True)
    for old in os.listdir(run_dir):
        os.remove(os.path.join(run_dir, old))
    bam = os.path.join(run_dir, "hits.bam")
    run([OURS, "-g", ds["genome"], "-r", ds["reads"], "-o", run_dir, "--sam", bam, "-m", str(k), "-t", "2", "-q"])
    run(["samtools", "quickcheck", bam])
    flagstat = run(["samtools", "flagstat", bam], stdout=subprocess.PIPE).stdout.split("\n")
    sorted_bam = os.path.join(run_dir, "hits.sorted.bam")
    run(["samtools", "sort", "-o", sorted_bam, bam])
    run(["samtools", "index", sorted_bam])
    if not os.path.exists(ds["fasta"] + ".fai"):
        run(["samtools", "faidx", ds["fasta"]])
    header = run(["samtools", "view", "-H", bam], stdout=subprocess.PIPE).stdout
    length_of = {f[3:]: int(g[3:]) for f, g in (line.split("\t")[1:3] for line in header.split("\n")
                                              if line.startswith("@SQ"))}
    ours, crossing = mapped(sam_lines(bam), length_of)
    from_pos = position_file(run_dir, ds["seqs"], ds["names"], k, ds["gnm_len"])
    if set(ours) != from_pos:
        problems.append("SAM and position file differ: %d only in SAM, %d only in the position file"
                        % (len(set(ours) - from_pos), len(from_pos - set(ours))))

    index = os.path.splitext(ds["fasta"])[0]
    if not os.path.exists(index + ".1.ebwt"):
        run(["bowtie-build", "-q", ds["fasta"], index])
    bt_sam = os.path.join(run_dir, "bowtie.sam")
    run(["bowtie", "-v", str(k), "-a", "-p", "2", "--sam", "--quiet", ds["peer_format"], "-x", index,
         ds["peer_reads"], bt_sam])
    peer = {}
    for f in sam_lines(bt_sam):
        f[0] = ds["peer_name"](f[0])
        peer.update(mapped([f], length_of)[0])
    same_place = set(ours) == set(peer)
    if not same_place:
        only_ours, only_peer = sorted(set(ours) - set(peer)), sorted(set(peer) - set(ours))
        problems.append("bowtie differs: %d only ours (e.g. %s), %d only bowtie's (e.g. %s)"
                        % (len(only_ours), only_ours[:3], len(only_peer), only_peer[:3]))
    tag_diff = [key for key in set(ours) & set(peer) if ours[key] != peer[key]]
    if tag_diff:
        problems.append("NM/MD differ from bowtie's on %d records, e.g. %s" % (
            len(tag_diff), ["%s: ours %s, bowtie %s" % (x, ours[x], peer[x]) for x in sorted(tag_diff)[:3]]))
    changed, crossing_changed = calmd_changes(sorted_bam, ds["fasta"], length_of)
    if changed:
        problems.append("calmd changes %d records within their sequence, e.g. %s" % (len(changed), changed[:3]))

    total = flagstat[0].split(" ")[0]
    mapped_reads = next(line for line in flagstat if "primary mapped" in line).split(" ")[0]
    secondary = next(line for line in flagstat if "secondary" in line).split(" ")[0]
    rows.append("| %s | %d | %s | %s | %s | %d | %d | %d | %s | %d | %s |" % (
        ds["name"], k, total, mapped_reads, secondary, len(ours), crossing, len(peer),
        "yes" if not problems else "NO", crossing_changed, "ok" if not changed else "%d CHANGED" % len(changed)))
    print(rows[-1], file=sys.stderr, flush=True)
    for p in problems:
        print("  " + p, file=sys.stderr, flush=True)
    return not problems


def main():
    os.makedirs(OUT, exist_ok=True)
    datasets = [dataset_lambda()]
    if os.path.exists(ECOLI):
        datasets += [dataset_ecoli(36), dataset_ecoli(100)]
    else:
        print("%s is absent: E. coli skipped" % ECOLI, file=sys.stderr)
    rows, ok = [], True
    for ds in datasets:
        for k in range(4):
            ok &= check(ds, k, rows)
    print("quickcheck, flagstat, sort and index passed on every BAM file (else the script stops).\n")
    print("| reads | misNu | records | reads mapped | secondary | records within the sequence | across the origin "
          "| bowtie's hits | same (read, strand, pos) and NM/MD as bowtie and the position file "
          "| across the origin, NM/MD changed by calmd | calmd within the sequence |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---|---:|---|")
    print("\n".join(rows))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
