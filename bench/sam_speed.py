"""What writing the hits as BAM (or SAM) beside the five result files costs
in whole-process time: quorvane-map on simulated reads of the E. coli
genome (../shared/data/ecoli.txt, else the random genome of bench.py), for
each count of reads and each thread count, with `-o` alone, with `-o` and
`--sam hits.bam`, and for reference with `--sam hits.sam`, with uncompressed
BAM (`-u`) and with `--sam hits.bam` alone. The runs are interleaved, round
after round, and the fastest of each counts, so that other load on the
machine weighs alike on all. Prints a Markdown table (saved as
bench/out/sam_speed.md) and exits with 1 when BAM beside the five files
costs more than its limit: 25% with two threads or more, 40% with one.
Run through bench/sam_speed.sh."""

import argparse
import os
import shutil
import subprocess
import sys
import time

import inputs

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
OURS = os.path.join(ROOT, "build", "quorvane-map")
DEFAULT_GENOME = os.path.normpath(os.path.join(ROOT, "..", "shared", "data", "ecoli.txt"))


def limit(threads):
    return 1.40 if threads == 1 else 1.25


def parse_args():
    p = argparse.ArgumentParser(prog="bench/sam_speed.sh", description=__doc__)
    p.add_argument("--reads", default="100000,500000", help="counts of reads, comma-separated (default 100000,500000)")
    p.add_argument("--length", type=int, default=100, help="read length (default 100)")
    p.add_argument("--mis", type=int, default=3, help="mismatches allowed (default 3)")
    p.add_argument("--threads", default="2,1", help="quorvane-map -t values, comma-separated (default 2,1)")
    p.add_argument("--rounds", type=int, default=7, help="rounds of interleaved runs (default 7)")
    return p.parse_args()


def wall(cmd):
    t = time.perf_counter()
    r = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - t
    if r.returncode != 0:
        raise SystemExit("failed (exit %d): %s\n%s" % (r.returncode, " ".join(cmd), r.stderr))
    return seconds


CONFIGS = [
    ("five files (`-o`)", ["-o", "{d}"]),
    ("five files and BAM (`-o`, `--sam hits.bam`)", ["-o", "{d}", "--sam", "{d}/hits.bam"]),
    ("five files and SAM (`-o`, `--sam hits.sam`)", ["-o", "{d}", "--sam", "{d}/hits.sam"]),
    ("five files and uncompressed BAM (`-o`, `--sam hits.bam -u`)", ["-o", "{d}", "--sam", "{d}/hits.bam", "-u"]),
    ("BAM alone (`--sam hits.bam`)", ["--sam", "{d}/hits.bam"]),
]


def measure(a, gpath, reads_path, count, threads):
    runs = os.path.join(OUT, "sam_speed", "n%d_t%d" % (count, threads))
    base = [OURS, "-g", gpath, "-r", reads_path, "-m", str(a.mis), "-t", str(threads), "-q"]
    best = [None] * len(CONFIGS)
    for r in range(a.rounds):
        for i, (_, extra) in enumerate(CONFIGS):
            d = os.path.join(runs, str(i))
            shutil.rmtree(d, ignore_errors=True)
            os.makedirs(d)
            s = wall(base + [x.replace("{d}", d) for x in extra])
            best[i] = s if best[i] is None else min(best[i], s)
        print("%s reads, -t %d, round %d: %s" % (format(count, ","), threads, r + 1,
                                                ", ".join("%.2f" % b for b in best)), file=sys.stderr, flush=True)
    sizes = [sum(os.path.getsize(os.path.join(runs, str(i), f)) for f in os.listdir(os.path.join(runs, str(i))))
             for i in range(len(CONFIGS))]
    return best, sizes


def main():
    a = parse_args()
    if not os.access(OURS, os.X_OK):
        raise SystemExit("%s is missing: run make first" % OURS)
    counts = [int(x) for x in a.reads.split(",")]
    thread_counts = [int(x) for x in a.threads.split(",")]
    os.makedirs(os.path.join(OUT, "inputs"), exist_ok=True)
    gpath, genome = inputs.load_genome(DEFAULT_GENOME if os.path.exists(DEFAULT_GENOME) else None,
                                       os.path.join(OUT, "inputs"))
    lines = ["Reads of %d letters from %s, misNu %d; whole-process wall time, the fastest of %d interleaved rounds."
             % (a.length, os.path.basename(gpath), a.mis, a.rounds), ""]
    ok = True
    verdicts = []
    for count in counts:
        reads = os.path.join(OUT, "inputs", "sam_speed_%d_n%d.txt" % (a.length, count))
        if not os.path.exists(reads):
            inputs.write_reads(inputs.simulate_reads(genome, a.length, count), reads, reads[:-4] + ".fa")
        for threads in thread_counts:
            best, sizes = measure(a, gpath, reads, count, threads)
            lines += ["**%s reads, `-t %d`**\n" % (format(count, ","), threads),
                      "| output | seconds | against `-o` alone | bytes written |", "|---|---:|---:|---:|"]
            for i, (name, _) in enumerate(CONFIGS):
                lines.append("| %s | %.2f | %+.0f%% | %s |" % (name, best[i], 100 * (best[i] / best[0] - 1),
                                                            format(sizes[i], ",")))
            lines.append("")
            ratio = best[1] / best[0]
            within = ratio <= limit(threads)
            ok = ok and within
            verdicts.append("- %s reads, `-t %d`: BAM beside the five files **%+.0f%%** (limit %+.0f%%): %s"
                            % (format(count, ","), threads, 100 * (ratio - 1), 100 * (limit(threads) - 1),
                               "within" if within else "OVER"))
    text = "\n".join(lines + verdicts) + "\n"
    with open(os.path.join(OUT, "sam_speed.md"), "w") as f:
        f.write(text)
    sys.stdout.write(text)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
