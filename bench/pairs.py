"""Read pairs: quorvane-map -1/-2 against razers3 and bowtie in paired mode
on simulated pairs of the E. coli genome (../shared/data/ecoli.txt, else
the random genome of bench.py): 100-letter mates of fragments of about
300 +- 50 letters from either strand, 0 to 3 substitutions per mate, a
tenth of the pairs random, and a few fragments across the genome's origin.
Every time is the whole process under /usr/bin/time, the fastest of
--rounds runs (CPU seconds, user + sys; wall seconds for the thread row).

1. ours from a saved index, -m 3 -t 1, against `razers3 -i 97 -rr 100 -ng
   -ll 300 -le 200 -tc 1` and `bowtie -v 3 -a -I 0 -X 500 --fr -p 1`
   (bowtie's index built once and not timed);
2. checks that our concordant placements equal bowtie's, those across the
   origin aside (bowtie reads the genome as a line);
3. checks the BAM file with samtools: quickcheck, flagstat, fixmate,
   sort, index, and that `view -c -f 2` counts two records per placement;
4. -t 2 against -t 1 on --thread-pairs pairs (wall time), byte-identical
   files;
5. the same pairs with `--sam pairs.bam` beside `-o`, against `-o` alone.

Prints the Markdown table (saved as bench/out/pairs.md) and exits with 1
when a check fails. Run through bench/pairs.sh."""

import argparse
import filecmp
import os
import random
import shutil
import subprocess
import sys
import time

import inputs
import runs

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
OURS = os.path.join(ROOT, "build", "quorvane-map")
DEFAULT_GENOME = os.path.normpath(os.path.join(ROOT, "..", "shared", "data", "ecoli.txt"))
PAIRS_SEED = 23
MATE_LEN = 100
K = 3


def parse_args():
    p = argparse.ArgumentParser(prog="bench/pairs.sh", description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--pairs", type=int, default=100000, help="pairs of the peer rows (default 100000)")
    p.add_argument("--thread-pairs", type=int, default=1000000,
                   help="pairs of the thread and BAM rows (default 1000000); 0 skips them")
    p.add_argument("--rounds", type=int, default=3, help="runs of each command, the fastest counts (default 3)")
    p.add_argument("--peers", default="razers3,bowtie", help="peers to run (default razers3,bowtie)")
    p.add_argument("--peer-limit", type=int, default=1800, help="seconds after which a peer is stopped (default 1800)")
    return p.parse_args()


def simulate_pairs(genome, count, seed=PAIRS_SEED):
    """count pairs (mate 1, mate 2) of an fr library: the fragment of
    gauss(300, 50) letters (at least 150) starts anywhere on the circular
    genome, one in a thousand across its origin, read from either strand;
    mate 1 its first MATE_LEN letters, mate 2 the reverse complement of its
    last; 0 to 3 substitutions in each mate; a tenth of the pairs random."""
    rng = random.Random(seed * 1000003 + count)
    g = len(genome)
    out = []
    for i in range(count):
        if rng.random() < 0.1:
            out.append(("".join(rng.choices(inputs.LETTERS, k=MATE_LEN)),
                        "".join(rng.choices(inputs.LETTERS, k=MATE_LEN))))
            continue
        flen = max(150, int(rng.gauss(300, 50)))
        start = g - rng.randrange(1, flen) if i % 1000 == 7 else rng.randrange(g)
        end = start + flen
        frag = genome[start:end] if end <= g else genome[start:] + genome[:end - g]
        if rng.random() < 0.5:
            frag = inputs.reverse_complement(frag)
        mates = []
        for s in (frag[:MATE_LEN], inputs.reverse_complement(frag[-MATE_LEN:])):
            letters = list(s)
            for p in rng.sample(range(MATE_LEN), rng.randrange(4)):
                letters[p] = rng.choice([c for c in inputs.LETTERS if c != letters[p]])
            mates.append("".join(letters))
        out.append(tuple(mates))
    return out


def pair_files(genome, gpath, count):
    """The two FASTQ files of count simulated pairs, written once."""
    d = os.path.join(OUT, "pairs", "inputs")
    os.makedirs(d, exist_ok=True)
    paths = [os.path.join(d, "pairs%d_%d.fq" % (count, m)) for m in (1, 2)]
    if all(inputs.is_current(p, gpath) for p in paths):
        return paths
    runs.log("simulating %s pairs" % format(count, ","))
    pairs = simulate_pairs(genome, count)
    for m, path in enumerate(paths):
        with open(path + ".tmp", "w") as f:
            for i, mates in enumerate(pairs):
                f.write("@p%d/%d\n%s\n+\n%s\n" % (i, m + 1, mates[m], "I" * MATE_LEN))
        os.replace(path + ".tmp", path)
        inputs.mark_made(path, gpath)
    return paths


def run(cmd, out_path, limit=None):
    """(wall, KiB, CPU) of one run, see runs.run_once."""
    return runs.run_once(cmd, out_path, limit)


def fastest(cmd, out_path, rounds, key, limit=None):
    """The run of cmd with the least key (0 wall, 2 CPU) of `rounds` runs."""
    best = None
    for _ in range(rounds):
        r = run(cmd, out_path, limit)
        if best is None or r[key] < best[key]:
            best = r
    return best


def ours_placements(result_dir, gnm_len):
    """Our placements file as {(pair, pos1, pos2)}, those across the origin
    apart; positions as the result files write them."""
    inside, across = set(), set()
    name = [f for f in os.listdir(result_dir) if f.endswith("MapPairsPos.txt")][0]
    with open(os.path.join(result_dir, name)) as f:
        next(f)
        for line in f:
            _, pair, _, p1, p2, _, _, flen = line.rstrip("\n").split("\t")
            p1, p2, flen = int(p1), int(p2), int(flen)
            # The fragment starts at the leftmost letter of its upstream mate.
            lefts = [p - 1 if p > 0 else -p - MATE_LEN for p in (p1, p2)]
            start = min(lefts) if max(lefts) - min(lefts) < gnm_len // 2 else max(lefts)
            (across if start + flen > gnm_len else inside).add((pair, p1, p2))
    return inside, across


def bowtie_placements(path):
    """bowtie's paired output: two lines per placement (the upstream mate
    first), name/1 or name/2, strand, reference, 0-based offset, ..."""
    out = set()
    with open(path) as f:
        lines = f.read().splitlines()
    for a, b in zip(lines[0::2], lines[1::2]):
        pos = {}
        for line in (a, b):
            fields = line.split("\t")
            name, mate = fields[0].rsplit("/", 1)
            off = int(fields[3])
            pos[mate] = off + 1 if fields[1] == "+" else -(off + len(fields[4]))
        out.add((name, pos["1"], pos["2"]))
    return out


def samtools_checks(bam, placements, work):
    """quickcheck, flagstat, fixmate, sort, index, and the proper-pair count."""
    def sh(*cmd):
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            raise SystemExit("samtools failed: %s\n%s" % (" ".join(cmd), r.stderr))
        return r.stdout
    sh("samtools", "quickcheck", bam)
    flagstat = sh("samtools", "flagstat", bam)
    fixed = os.path.join(work, "fixmate.bam")
    sh("samtools", "fixmate", bam, fixed)
    srt = os.path.join(work, "sorted.bam")
    sh("samtools", "sort", "-o", srt, fixed)
    sh("samtools", "index", srt)
    proper = int(sh("samtools", "view", "-c", "-f", "2", bam))
    return proper == 2 * placements, flagstat, proper


def main():
    a = parse_args()
    if not os.access(OURS, os.X_OK):
        raise SystemExit("%s is missing: run make first" % OURS)
    os.makedirs(os.path.join(OUT, "inputs"), exist_ok=True)
    gpath, genome = inputs.load_genome(DEFAULT_GENOME if os.path.exists(DEFAULT_GENOME) else None,
                                       os.path.join(OUT, "inputs"))
    stem = os.path.splitext(os.path.basename(gpath))[0]
    work = os.path.join(OUT, "pairs")
    fasta = os.path.join(OUT, "inputs", stem + ".fa")
    inputs.write_fasta(fasta, stem, genome, gpath)
    os.makedirs(work, exist_ok=True)
    qvi = os.path.join(work, stem + ".qvi")
    run([OURS, "index", gpath, "-o", qvi, "-t", "1", "-q"], qvi + ".txt")
    r1, r2 = pair_files(genome, gpath, a.pairs)
    ok = True
    rows = []

    d = os.path.join(work, "ours_t1")
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    ours = fastest([OURS, "-g", qvi, "-1", r1, "-2", r2, "-m", str(K), "-t", "1", "-o", d, "-q"],
                   os.path.join(work, "ours.txt"), a.rounds, 2)
    rows.append(("quorvane-map -1 -2 -m 3 -t 1, saved index", ours, None))
    inside, across = ours_placements(d, len(genome))
    runs.log("ours: %.2f s CPU, %d placements (%d across the origin)" % (ours[2], len(inside) + len(across),
                                                                       len(across)))

    peers = a.peers.split(",") if a.peers else []
    check = "not run"
    if "razers3" in peers:
        cmd = ["razers3", "-i", runs.razers_identity(MATE_LEN, K), "-rr", "100", "-ng", "-tc", "1", "-m", "1000000",
               "-ll", "300", "-le", "200", "-o", os.path.join(work, "pairs.razers"), fasta, r1, r2]
        try:
            rows.append(("razers3 paired, -ll 300 -le 200, full sensitivity, no gaps",
                         fastest(cmd, os.path.join(work, "razers3.txt"), a.rounds, 2, a.peer_limit), 6.0))
        except runs.Stopped:
            rows.append(("razers3 paired (stopped after %d s)" % a.peer_limit, None, 6.0))
    if "bowtie" in peers:
        index = runs.bowtie_index(OUT, fasta, stem)[0]
        out = os.path.join(work, "pairs.bowtie")
        cmd = ["bowtie", "-v", str(K), "-a", "-I", "0", "-X", "500", "--fr", "-p", "1", "--quiet", "-x", index,
               "-1", r1, "-2", r2, out]
        try:
            rows.append(("bowtie -v 3 -a -I 0 -X 500 --fr", fastest(cmd, os.path.join(work, "bowtie.txt"),
                                                                  a.rounds, 2, a.peer_limit), 50.0))
            theirs = bowtie_placements(out)
            same = theirs == inside
            ok = ok and same
            check = "%s: %s placements of ours inside the genome, %s of bowtie's%s; %d of ours across the origin" % (
                "equal" if same else "DIFFER", format(len(inside), ","), format(len(theirs), ","),
                "" if same else " (%d only ours, %d only bowtie's)" % (len(inside - theirs), len(theirs - inside)),
                len(across))
        except runs.Stopped:
            rows.append(("bowtie (stopped after %d s)" % a.peer_limit, None, 50.0))

    lines = ["%s pairs of %d-letter mates from %s, K %d; whole process, CPU seconds (user + sys), the fastest "
             "of %d runs.\n" % (format(a.pairs, ","), MATE_LEN, os.path.basename(gpath), K, a.rounds),
             "| run | CPU s | wall s | peak MiB | ours faster | target |", "|---|---:|---:|---:|---:|---|"]
    for name, r, target in rows:
        if r is None:
            lines.append("| %s | - | - | - | - | %s |" % (name, "at least %g×" % target))
            continue
        speed = "" if target is None else "**%.1f×**" % (r[2] / ours[2])
        met = "" if target is None else "at least %g×: %s" % (target, "met" if r[2] / ours[2] >= target else "not met")
        lines.append("| %s | %.2f | %.2f | %.0f | %s | %s |" % (name, r[2], r[0], r[1] / 1024, speed, met))
    lines.append("\nConcordant placements against bowtie's: %s." % check)

    if a.thread_pairs > 0:
        t1, t2 = pair_files(genome, gpath, a.thread_pairs)
        base = [OURS, "-g", qvi, "-1", t1, "-2", t2, "-m", str(K), "-q"]
        best, dirs = {}, {}
        for _ in range(a.rounds):
            for name, extra in (("t1", ["-t", "1"]), ("t2", ["-t", "2"]), ("t1bam", ["-t", "1", "--sam", "BAM"]),
                                ("t2bam", ["-t", "2", "--sam", "BAM"])):
                dd = os.path.join(work, "threads_" + name)
                shutil.rmtree(dd, ignore_errors=True)
                os.makedirs(dd)
                cmd = base + ["-o", dd] + [x.replace("BAM", os.path.join(dd, "pairs.bam")) for x in extra]
                r = run(cmd, dd + ".txt")
                if name not in best or r[0] < best[name][0]:
                    best[name] = r
                dirs[name] = dd
        names = sorted(f for f in os.listdir(dirs["t1"]))
        same = all(filecmp.cmp(os.path.join(dirs["t1"], n), os.path.join(dirs["t2"], n), shallow=False)
                   for n in names)
        speed = best["t1"][0] / best["t2"][0]
        ok = ok and same
        lines += ["", "%s pairs, the fastest of %d rounds (wall seconds; CPU in brackets):\n" % (
            format(a.thread_pairs, ","), a.rounds),
            "| work | `-t 1` | `-t 2` | figure | target |", "|---|---:|---:|---:|---|",
            "| `-o` | %.2f (%.2f) | %.2f (%.2f) | **%.2f×** two threads against one, files %s | at least 1.8×: %s |" % (
                best["t1"][0], best["t1"][2], best["t2"][0], best["t2"][2], speed,
                "byte-identical" if same else "DIFFER", "met" if speed >= 1.8 else "not met")]
        for t in ("t1", "t2"):
            cost = best[t + "bam"][0] / best[t][0]
            cpu = best[t + "bam"][2] / best[t][2]
            lines.append("| `-o --sam pairs.bam`, `-%s` | | | **%.2f×** the run without SAM (CPU %.2f×) | at most 1.5×: %s |"
                         % ("t 1" if t == "t1" else "t 2", cost, cpu, "met" if cost <= 1.5 else "not met"))
        inside_t, across_t = ours_placements(dirs["t1bam"], len(genome))
        good, flagstat, proper = samtools_checks(os.path.join(dirs["t1bam"], "pairs.bam"),
                                                 len(inside_t) + len(across_t), work)
        ok = ok and good
        lines.append("\nsamtools quickcheck, flagstat, fixmate, sort and index accept the BAM file; `view -c -f 2` "
                     "counts %s records, %s two per placement." % (format(proper, ","), "" if good else "NOT"))
    text = "\n".join(lines) + "\n"
    with open(os.path.join(OUT, "pairs.md"), "w") as f:
        f.write(text)
    sys.stdout.write(text)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
