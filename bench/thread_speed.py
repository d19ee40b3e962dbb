"""Two threads against one, in the command forms a user runs: 1,000,000
simulated reads of 100 letters at misNu 3 against the E. coli genome
(../shared/data/ecoli.txt, else the random genome of bench.py), the reads
as plain lines, as FASTQ and as gzipped FASTQ, with the five result files
alone and with a BAM file beside them. `-t 1` and `-t 2` run in turn, round
after round, and the fastest of each counts. The result files of both must
be byte-identical. Prints a Markdown table (saved as
bench/out/thread_speed.md) and exits with 1 when two threads are less than
1.8 times as fast as one, or the files differ. Run through
bench/thread_speed.sh."""

import argparse
import filecmp
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
TARGET = 1.8


def parse_args():
    p = argparse.ArgumentParser(prog="bench/thread_speed.sh", description=__doc__)
    p.add_argument("--reads", type=int, default=1_000_000, help="reads (default 1000000)")
    p.add_argument("--length", type=int, default=100, help="read length (default 100)")
    p.add_argument("--mis", type=int, default=3, help="mismatches allowed (default 3)")
    p.add_argument("--rounds", type=int, default=3, help="rounds of alternating runs (default 3)")
    p.add_argument("--forms", default="plain,fastq,fastq.gz", help="reads files (default plain,fastq,fastq.gz)")
    p.add_argument("--outputs", default="files,bam", help="outputs: files (-o), bam (-o and --sam hits.bam)")
    return p.parse_args()


def wall(cmd):
    t = time.perf_counter()
    r = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - t
    if r.returncode != 0:
        raise SystemExit("failed (exit %d): %s\n%s" % (r.returncode, " ".join(cmd), r.stderr))
    return seconds


def reads_files(a, genome):
    """The plain reads file and its FASTQ and gzipped FASTQ copies (qualities 'I')."""
    base = os.path.join(OUT, "inputs", "thread_speed_%d_n%d" % (a.length, a.reads))
    plain = base + ".txt"
    if not os.path.exists(plain):
        inputs.write_reads(inputs.simulate_reads(genome, a.length, a.reads), plain, base + ".fa")
    files = {"plain": plain, "fastq": base + ".fq", "fastq.gz": base + ".fq.gz"}
    if not inputs.is_current(files["fastq"], plain):
        with open(plain) as f, open(files["fastq"] + ".tmp", "w") as out:
            for i, line in enumerate(f):
                s = line.rstrip("\n")
                out.write("@%d\n%s\n+\n%s\n" % (i, s, "I" * len(s)))
        os.replace(files["fastq"] + ".tmp", files["fastq"])
        inputs.mark_made(files["fastq"], plain)
    if not inputs.is_current(files["fastq.gz"], plain):
        inputs.write_fastq_gz(plain, files["fastq.gz"])
        inputs.mark_made(files["fastq.gz"], plain)
    return files


def same_files(d1, d2):
    names = sorted(f for f in os.listdir(d1) if f.endswith(".txt"))
    return names == sorted(f for f in os.listdir(d2) if f.endswith(".txt")) and all(
        filecmp.cmp(os.path.join(d1, n), os.path.join(d2, n), shallow=False) for n in names)


def main():
    a = parse_args()
    if not os.access(OURS, os.X_OK):
        raise SystemExit("%s is missing: run make first" % OURS)
    os.makedirs(os.path.join(OUT, "inputs"), exist_ok=True)
    gpath, genome = inputs.load_genome(DEFAULT_GENOME if os.path.exists(DEFAULT_GENOME) else None,
                                       os.path.join(OUT, "inputs"))
    files = reads_files(a, genome)
    lines = ["%s reads of %d letters from %s, misNu %d; whole-process wall time, the fastest of %d rounds "
             "of `-t 1` and `-t 2` in turn.\n" % (format(a.reads, ","), a.length, os.path.basename(gpath), a.mis,
                                                  a.rounds),
             "| reads file | output | `-t 1` s | `-t 2` s | two threads against one | result files |",
             "|---|---|---:|---:|---:|---|"]
    ok = True
    for form in a.forms.split(","):
        for output in a.outputs.split(","):
            best, dirs = {}, {}
            for r in range(a.rounds):
                for t in (1, 2):
                    d = os.path.join(OUT, "thread_speed", "%s_%s_t%d" % (form, output, t))
                    shutil.rmtree(d, ignore_errors=True)
                    os.makedirs(d)
                    cmd = [OURS, "-g", gpath, "-r", files[form], "-o", d, "-m", str(a.mis), "-t", str(t), "-q"]
                    if output == "bam":
                        cmd += ["--sam", os.path.join(d, "hits.bam")]
                    s = wall(cmd)
                    best[t] = s if t not in best else min(best[t], s)
                    dirs[t] = d
                print("%s, %s, round %d: %.2f s, %.2f s" % (form, output, r + 1, best[1], best[2]),
                      file=sys.stderr, flush=True)
            speedup = best[1] / best[2]
            same = same_files(dirs[1], dirs[2])
            ok = ok and same and speedup >= TARGET
            lines.append("| %s | %s | %.2f | %.2f | **%.2f×** | %s |" % (
                form, "`-o`" if output == "files" else "`-o`, `--sam hits.bam`", best[1], best[2], speedup,
                "byte-identical" if same else "DIFFER"))
    lines.append("\nTarget: two threads at least %.1f× one thread." % TARGET)
    text = "\n".join(lines) + "\n"
    with open(os.path.join(OUT, "thread_speed.md"), "w") as f:
        f.write(text)
    sys.stdout.write(text)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
