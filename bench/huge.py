"""The huge-genome row: a generated genome of 2.5 billion letters (more than
2^31) in 25 sequences with repeats, made into a saved index once, then
100,000 reads of 100 letters mapped from it at misNu 3. It reports the
index build's time and peak memory, the run's time and peak memory per
genome letter, a second run's load time from the warm page cache, and
checks the hits of a sample of reads placed beyond letter 2^31 against a
brute-force scan of both strands of every sequence.

    bench/huge.sh                                  # the full row
    bench/huge.sh --letters 200000000 --seqs 5     # a quick one
"""

import argparse
import glob
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def timed(cmd, log):
    """Runs cmd under /usr/bin/time: wall seconds, CPU seconds, peak KiB."""
    with open(log, "w") as out:
        start = time.monotonic()
        p = subprocess.run(["/usr/bin/time", "-f", "TIME %e %U %S %M"] + cmd, stdout=out, stderr=subprocess.PIPE,
                           text=True)
        wall = time.monotonic() - start
    line = [l for l in p.stderr.splitlines() if l.startswith("TIME ")]
    if p.returncode != 0 or not line:
        sys.exit("failed (%d): %s\n%s" % (p.returncode, " ".join(cmd), p.stderr))
    _, _, user, system, kib = line[-1].split()
    return wall, float(user) + float(system), int(kib)


def position_hits(result_dir, reads):
    """(line number, sequence, signed position, mismatches) of a position file."""
    files = glob.glob(os.path.join(result_dir, "*MapRdsPos.txt"))
    if not files:
        return set()
    out, nxt, cur, line_of = set(), 0, None, None
    with open(files[0]) as f:
        header = f.readline().rstrip("\n").split("\t")
        seq_col = header.index("seqName") if "seqName" in header else None
        for rec in f:
            x = rec.rstrip("\n").split("\t")
            if x[0] != cur:
                while reads[nxt] != x[1]:
                    nxt += 1
                cur, line_of, nxt = x[0], nxt + 1, nxt + 1
            seq = x[seq_col] if seq_col is not None else "?"
            out.add((line_of, seq, int(x[-2]), int(x[-1])))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--letters", type=int, default=2_500_000_000)
    ap.add_argument("--seqs", type=int, default=25)
    ap.add_argument("--reads", type=int, default=100_000)
    ap.add_argument("--checked", type=int, default=8, help="reads beyond letter 2^31 checked by brute force")
    ap.add_argument("--threads", type=int, default=2)
    ap.add_argument("--guides", type=int, default=1000, help="guides of 20 letters searched with NGG at K 4 (0: none)")
    ap.add_argument("--out", default=os.path.join(HERE, "out"))
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    a = ap.parse_args()
    ours = os.path.join(a.build, "quorvane-map")
    tool = os.path.join(a.build, "bench", "huge_genome")
    ins = os.path.join(a.out, "inputs")
    runs = os.path.join(a.out, "runs")
    os.makedirs(ins, exist_ok=True)
    os.makedirs(runs, exist_ok=True)
    stem = "huge%dm" % (a.letters // 1_000_000)
    fasta = os.path.join(ins, stem + ".fa")
    if not os.path.exists(fasta + ".done"):
        print("writing %s (%s letters in %d sequences)" % (fasta, format(a.letters, ","), a.seqs), flush=True)
        subprocess.run([tool, "genome", fasta, str(a.letters), str(a.seqs)], check=True)
        open(fasta + ".done", "w").close()
    index = os.path.join(ins, stem + ".qvi")
    print("making the saved index", flush=True)
    build_wall, build_cpu, build_kib = timed([ours, "index", fasta, "-o", index, "-t", str(a.threads), "-q"],
                                             os.path.join(runs, stem + "_index.console"))
    beyond = 2 ** 31 if a.letters > 2 ** 31 + 10 ** 7 else a.letters * 6 // 7
    all_reads = os.path.join(ins, "%s_reads100_n%d.txt" % (stem, a.reads))
    sample = os.path.join(ins, "%s_beyond.txt" % stem)
    subprocess.run([tool, "reads", fasta, str(a.reads), "100", "0", all_reads], check=True)
    subprocess.run([tool, "reads", fasta, str(a.checked), "100", str(beyond), sample], check=True)

    def ours_run(reads, name):
        d = os.path.join(runs, name)
        os.makedirs(d, exist_ok=True)
        for x in os.listdir(d):
            os.remove(os.path.join(d, x))
        return timed([ours, "-g", index, "-r", reads, "-o", d, "-m", "3", "-t", str(a.threads), "-q"],
                     os.path.join(runs, name + ".console")), d

    print("mapping %s reads from the saved index" % format(a.reads, ","), flush=True)
    (run_wall, run_cpu, run_kib), _ = ours_run(all_reads, stem + "_all")
    with open(sample) as f:
        one = f.readline()
    one_path = os.path.join(ins, stem + "_one.txt")
    with open(one_path, "w") as f:
        f.write(one)
    (load_wall, load_cpu, _), _ = ours_run(one_path, stem + "_one")
    print("checking %d reads placed beyond letter %s by brute force" % (a.checked, format(beyond, ",")), flush=True)
    _, sample_dir = ours_run(sample, stem + "_beyond")
    with open(sample) as f:
        reads = f.read().split()
    got = position_hits(sample_dir, reads)
    brute = subprocess.run([tool, "brute", fasta, sample, "3"], check=True, capture_output=True, text=True).stdout
    want = set()
    for line in brute.splitlines():
        r, seq, pos, mis = line.split("\t")
        want.add((int(r), seq if a.seqs > 1 else "?", int(pos), int(mis)))
    same = got == want
    guide_row = None
    if a.guides > 0:
        # Guides drawn from the genome, searched on one thread from the saved index.
        gfile = os.path.join(ins, "%s_guides%d.txt" % (stem, a.guides))
        subprocess.run([tool, "reads", fasta, str(a.guides), "20", "0", gfile], check=True)
        gdir = os.path.join(runs, stem + "_guides")
        os.makedirs(gdir, exist_ok=True)
        for x in os.listdir(gdir):
            os.remove(os.path.join(gdir, x))
        print("searching %d guides at K 4 from the saved index" % a.guides, flush=True)
        g_wall, g_cpu, g_kib = timed([ours, "guides", "-g", index, "-q", gfile, "--pam", "NGG", "-m", "4", "-o", gdir,
                                      "-t", "1", "--quiet"], os.path.join(runs, stem + "_guides.console"))
        sites = 0
        for f in glob.glob(os.path.join(gdir, "*GuideSites.tsv")):
            with open(f) as fh:
                sites = sum(1 for _ in fh) - 1
        guide_row = ("| %d guides of 20 letters + NGG, K 4, one thread, from the saved index | %.1f s wall, %.1f s CPU "
                     "(%.0f ms a guide), peak %.2f GiB, %s sites | runs within the machine's memory: %s |"
                     % (a.guides, g_wall, g_cpu, 1000 * g_cpu / a.guides, g_kib / 2 ** 20, format(sites, ","),
                        "met" if g_kib < 20 * 2 ** 20 else "**not met**"))
    limit_kib = (5 * a.letters + 64 * 2 ** 20) / 1024
    rows = [
        "| work | figure | target |",
        "|---|---:|---|",
        "| saved index of %s letters in %d sequences: build | %.1f s wall, %.1f s CPU, peak %.2f GiB (%.2f bytes a letter) "
        "| at most 20 GiB |" % (format(a.letters, ","), a.seqs, build_wall, build_cpu, build_kib / 2 ** 20,
                                build_kib * 1024 / a.letters),
        "| %s reads of 100 letters, misNu 3, `-t %d`, from the saved index | %.1f s wall, %.1f s CPU, peak %.2f GiB = "
        "%.2f bytes a letter | at most 5 bytes a letter + 64 MiB (%.2f GiB): %s |"
        % (format(a.reads, ","), a.threads, run_wall, run_cpu, run_kib / 2 ** 20, run_kib * 1024 / a.letters,
           limit_kib / 2 ** 20, "met" if run_kib <= limit_kib else "**not met**"),
        "| second run, one read (page cache warm) | %.2f s wall, %.2f s CPU = %.1f%% of the build | under 5%%: %s |"
        % (load_wall, load_cpu, 100 * load_wall / build_wall, "met" if load_wall < 0.05 * build_wall else "**not met**"),
        "| %d reads placed beyond letter %s: hits against the brute-force scan | %d hits, %s | identical |"
        % (a.checked, format(beyond, ","), len(want), "identical" if same else "**%d missing, %d extra**"
           % (len(want - got), len(got - want))),
    ]
    if guide_row:
        rows.append(guide_row)
    table = "\n".join(rows) + "\n"
    print(table)
    with open(os.path.join(a.out, stem + ".md"), "w") as f:
        f.write(table)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
