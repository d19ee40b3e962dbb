"""quorvane-map against bowtie and razers3 on simulated reads: whole-process
time and peak memory, one thread each, and a check that all three report
the same hits; two threads against one; a large generated genome. Run
through bench/run.sh, which installs and builds first."""

import argparse
import os
import shutil
import sys

import big
import hits
import inputs
import runs
from runs import log
from table import Measure, render

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
OURS = os.path.join(ROOT, "build", "quorvane-map")
DEFAULT_GENOME = os.path.normpath(os.path.join(ROOT, "..", "shared", "data", "ecoli.txt"))
PEERS = ("bowtie", "razers3")
EXAMPLES = 3
DEFAULT_ROWS = "100/0,100/1,100/3,50/0,50/1,50/3,36/0,36/1,36/3,20/0,20/1,20/2,20/3"


def parse_args():
    p = argparse.ArgumentParser(prog="bench/run.sh", description=__doc__)
    p.add_argument("--reads", type=int, default=100_000, help="reads per read length (default 100000)")
    p.add_argument("--rows", default=DEFAULT_ROWS, help="LEN/MIS rows (default %s)" % DEFAULT_ROWS)
    p.add_argument("--lengths", help="read lengths, with --mis: every length at every limit instead of --rows")
    p.add_argument("--mis", default="0,1,3", help="mismatch limits for --lengths (default 0,1,3)")
    p.add_argument("--genome", help="genome file, or `random` for the generated one (default "
                   "../shared/data/ecoli.txt where it exists, else a random genome of 5,000,000 letters)")
    p.add_argument("--peers", default=",".join(PEERS), help="peers to run (default bowtie,razers3)")
    p.add_argument("--repeat", type=int, default=1, help="runs of each command; the fastest counts")
    p.add_argument("--peer-limit", type=float, default=120,
                   help="seconds after which a peer's run is stopped and reported as not finished (default 120)")
    p.add_argument("--engine", help="passed to quorvane-map --engine (default: its own)")
    p.add_argument("--sample", type=int, default=2000,
                   help="reads of each row also mapped by both engines, whose files must be equal (default 2000; 0: none)")
    p.add_argument("--no-threads", action="store_true", help="skip the two-threads line")
    p.add_argument("--thread-reads", type=int, default=1_000_000, help="reads for the two-threads line (default 1000000)")
    p.add_argument("--no-formats", action="store_true", help="skip the compressed-input line")
    p.add_argument("--no-big", action="store_true", help="skip the large-genome row")
    p.add_argument("--from-genome", action="store_true",
                   help="map from the genome file, building the index in every run, instead of from a saved index")
    p.add_argument("--big-letters", type=int, default=100_000_000, help="letters of the large genome (default 100000000)")
    p.add_argument("--big-reads", type=int, default=1_000_000, help="reads on the large genome (default 1000000)")
    a = p.parse_args()
    if a.lengths:
        a.rows = [(int(n), int(k)) for n in a.lengths.split(",") for k in a.mis.split(",")]
    else:
        a.rows = [tuple(int(x) for x in r.split("/")) for r in a.rows.split(",") if r]
    for n, k in a.rows:
        if not 12 <= n <= 1024 or not 0 <= k <= 3:
            p.error("row %d/%d: length must be 12..1024 and mismatches 0..3" % (n, k))
    a.peers = [x for x in a.peers.split(",") if x]
    for x in a.peers:
        if x not in PEERS:
            p.error("unknown peer %s" % x)
    if a.reads < 1 or a.repeat < 1 or a.thread_reads < 1 or a.big_reads < 1 or a.sample < 0:
        p.error("--reads, --thread-reads, --big-reads and --repeat must be positive")
    if a.big_letters < 1_000_000:
        p.error("--big-letters must be at least 1000000")
    return a


class Bench:
    def __init__(self, args):
        self.args = args
        os.makedirs(os.path.join(OUT, "inputs"), exist_ok=True)
        if args.genome == "random":
            gpath = None
        else:
            gpath = args.genome or (DEFAULT_GENOME if os.path.exists(DEFAULT_GENOME) else None)
        self.gpath, self.genome = inputs.load_genome(gpath, os.path.join(OUT, "inputs"))
        self.stem = os.path.basename(self.gpath).split(".")[0]
        self.fasta = os.path.join(OUT, "inputs", self.stem + ".fa")
        inputs.write_fasta(self.fasta, self.stem, self.genome, self.gpath)
        self.index = runs.bowtie_index(OUT, self.fasta, self.stem)[0] if "bowtie" in args.peers else None
        # Our saved index, made once per benchmark run as bowtie's is kept:
        # the rows map it as bowtie maps its own.
        self.saved = None
        self.saved_build = None
        if not args.from_genome:
            self.saved = os.path.join(OUT, "index", self.stem + ".qvi")
            os.makedirs(os.path.dirname(self.saved), exist_ok=True)
            log("making the saved index of %s" % self.stem)
            self.saved_build = runs.run_once([OURS, "index", self.gpath, "-o", self.saved, "-t", "1", "-q"],
                                             self.saved + ".build.txt")
        self.reads = {}
        self.failed = False
        self.checks = []

    def reads_of(self, length, count=None):
        count = count or self.args.reads
        if (length, count) not in self.reads:
            reads = inputs.simulate_reads(self.genome, length, count)
            base = os.path.join(OUT, "inputs", "reads%d" % length)
            if count != self.args.reads:
                base += "_n%d" % count
            inputs.write_reads(reads, base + ".txt", base + ".fa")
            self.reads[(length, count)] = (reads, base)
        return self.reads[(length, count)]

    def commands(self, length, k, threads, run_dir, count=None, engine=None, reads_file=None, genome=None):
        _, base = self.reads_of(length, count)
        ours = [OURS, "-g", genome or self.saved or self.gpath, "-r", reads_file or base + ".txt", "-o", run_dir, "-m", str(k), "-t",
                str(threads), "-q"]
        if engine or self.args.engine:
            ours += ["--engine", engine or self.args.engine]
        return {
            "quorvane-map": ours,
            "bowtie": ["bowtie", "-v", str(k), "-a", "-p", "1", "--quiet", "-f", "-x", self.index,
                       base + ".fa", run_dir + "/hits.bowtie"],
            "razers3": ["razers3", "-i", runs.razers_identity(length, k), "-rr", "100", "-ng", "-tc", "1",
                        "-m", "1000000", "-o", run_dir + "/hits.razers", self.fasta, base + ".fa"],
        }

    def run_dir(self, name, length, k, threads=1):
        d = os.path.join(OUT, "runs", "%s_%d_m%d_t%d" % (name, length, k, threads))
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        return d

    def row(self, length, k):
        reads, _ = self.reads_of(length)
        measures, sets = [], {}
        for name in ["quorvane-map"] + self.args.peers:
            d = self.run_dir(name, length, k)
            cmd = self.commands(length, k, 1, d)[name]
            log("%d letters, misNu %d: %s" % (length, k, name))
            limit = None if name == "quorvane-map" else self.args.peer_limit
            try:
                sec, kib, cpu = runs.timed(cmd, os.path.join(d, "console.txt"), self.args.repeat, limit)
            except runs.Stopped:
                log("  stopped after %g s" % limit)
                measures.append(Measure(length, k, name, None, 0, None, len(reads), len(self.genome), 0, cmd, limit))
                continue
            if name == "quorvane-map":
                hs = hits.read_ours(d, reads, k)
            elif name == "bowtie":
                hs = hits.read_bowtie(d + "/hits.bowtie", reads)
            else:
                hs = hits.read_razers(d + "/hits.razers", reads, self.genome)
            sets[name] = hs
            measures.append(Measure(length, k, name, sec, kib, cpu, len(reads), len(self.genome), len(hs.hits), cmd))
        self.check(length, k, reads, sets)
        if self.args.sample:
            self.engines_agree(length, k)
        return measures

    def engines_agree(self, length, k):
        """Both engines map the first reads of the row; their files must be equal."""
        reads, base = self.reads_of(length)
        sample = base + "_first%d.txt" % self.args.sample
        with open(sample, "w") as f:
            f.write("\n".join(reads[:self.args.sample]) + "\n")
        dirs = []
        for engine in ("fast", "reference"):
            d = self.run_dir("engine_" + engine, length, k)
            cmd = self.commands(length, k, 1, d, engine=engine, reads_file=sample)["quorvane-map"]
            runs.run_once(cmd, os.path.join(d, "console.txt"))
            dirs.append(d)
        same = same_result_files(*dirs)
        self.failed |= not same
        line = "- fast and reference engines on the first %s reads: result files %s" % (
            format(min(self.args.sample, len(reads)), ","), "byte-identical" if same else "DIFFER")
        self.checks[-1] += "\n" + line
        log("  " + line)

    def check(self, length, k, reads, sets):
        """All three must report the same hits, the origin-crossing ones of ours
        aside; every hit's mismatch count is checked against the genome."""
        lines = []
        for name, hs in sets.items():
            bad = hits.invalid_hits(hs, reads, self.genome, k)
            if bad:
                self.failed = True
                lines.append("- %s: %d hits with a wrong mismatch count or above the limit, e.g. %s" % (
                    name, len(bad), ", ".join("read %d at %+d: %d reported, %d in the genome" % b
                                              for b in bad[:EXAMPLES])))
        ours, crossing = hits.split_origin(sets["quorvane-map"], reads, len(self.genome))
        head = "**%d letters, misNu %d**: %d hits of ours compared (%d more cross the origin and are set aside)" % (
            length, k, len(ours), crossing)
        for name in self.args.peers:
            if name not in sets:
                lines.append("- %s: did not finish within %g s; not compared" % (name, self.args.peer_limit))
                continue
            peer = sets[name].hits
            same, only_ours, only_peer, differ = hits.compare(ours, peer)
            dup = " (%d duplicate lines ignored)" % sets[name].duplicates if sets[name].duplicates else ""
            if not (only_ours or only_peer or differ):
                lines.append("- %s: all %d agree%s" % (name, same, dup))
                continue
            self.failed = True
            lines.append("- %s: DISAGREES: %d agree, %d only ours, %d only %s, %d with other mismatch counts%s"
                         % (name, same, len(only_ours), len(only_peer), name, len(differ), dup))
            for what, items in (("only ours", only_ours), ("only " + name, only_peer)):
                if items:
                    lines.append("  - %s, e.g. %s" % (what, ", ".join(
                        "read %d at %+d with %d" % (r, p, m) for (r, p), m in items[:EXAMPLES])))
            if differ:
                lines.append("  - mismatch counts differ, e.g. %s" % ", ".join(
                    "read %d at %+d: %d ours, %d %s" % (r, p, a, b, name) for (r, p), a, b in differ[:EXAMPLES]))
        self.checks.append(head + "\n" + "\n".join(lines))
        log("\n".join(["  " + head] + ["  " + x for x in lines]))

    def threads_line(self):
        """Two threads against one at misNu 3 on 100 letters; the files must be equal."""
        length, k = 100, 3
        t = {}
        dirs = {}
        for n in (1, 2):
            d = self.run_dir("quorvane-map", length, k, n)
            log("%d letters, misNu %d: quorvane-map -t %d" % (length, k, n))
            cmd = self.commands(length, k, n, d, self.args.thread_reads)["quorvane-map"]
            t[n] = runs.timed(cmd, os.path.join(d, "console.txt"), self.args.repeat)
            dirs[n] = d
        same = same_result_files(dirs[1], dirs[2])
        if not same:
            self.failed = True
        return ("Two threads against one (quorvane-map, %s reads of %d letters, misNu %d): %.2f s with `-t 1`, "
                "%.2f s with `-t 2` (CPU %.2f s and %.2f s): **%.2f×**; result files of both %s."
                % (format(self.args.thread_reads, ","), length, k, t[1][0], t[2][0], t[1][2], t[2][2], max(t[1][0], 0.01) / max(t[2][0], 0.01),
                   "byte-identical" if same else "DIFFER"))


    def formats_line(self):
        """The same run from gzipped FASTQ reads and from a gzipped FASTA
        genome against plain files: whole-process seconds, equal files."""
        length, k = 100, 3
        _, base = self.reads_of(length)
        fq = base + ".fq.gz"
        if not inputs.is_current(fq, base + ".txt"):
            inputs.write_fastq_gz(base + ".txt", fq)
            inputs.mark_made(fq, base + ".txt")
        fa = self.fasta + ".gz"
        if not inputs.is_current(fa, self.fasta):
            inputs.gzip_file(self.fasta, fa)
            inputs.mark_made(fa, self.fasta)
        # Short runs on a busy machine: the three interleaved, round after
        # round, the fastest of each kept.
        repeat = max(7, self.args.repeat)
        t, dirs, cmds = {}, {}, {}
        for name, reads, genome in (("plain", None, None), ("fastq.gz", fq, None), ("fasta.gz", None, fa)):
            d = self.run_dir("quorvane-map-" + name, length, k)
            # Against the genome file itself: the line weighs the formats.
            cmd = self.commands(length, k, 1, d, reads_file=reads, genome=genome or self.gpath)["quorvane-map"]
            cmds[name], dirs[name] = cmd, d
        log("%d letters, misNu %d: quorvane-map from plain and compressed files, %d rounds" % (length, k, repeat))
        for _ in range(repeat):
            for name, cmd in cmds.items():
                run = runs.run_once(cmd, os.path.join(dirs[name], "console.txt"))
                if name not in t or run[0] < t[name][0]:
                    t[name] = run
        same = all(same_result_files(dirs["plain"], dirs[x], skip_log=True) for x in ("fastq.gz", "fasta.gz"))
        if not same:
            self.failed = True
        over = lambda x: t[x][0] / max(t["plain"][0], 0.01)
        return ("Compressed inputs (quorvane-map `-t 1`, %s reads of %d letters, misNu %d, fastest of %d "
                "interleaved rounds): plain "
                "files %.2f s (CPU %.2f s); reads as FASTQ.gz %.2f s (CPU %.2f s), **%+.0f%%** (target at most +25%%); "
                "genome as FASTA.gz %.2f s (CPU %.2f s), **%+.0f%%** (target at most +10%%); position, found and "
                "not-found files %s."
                % (format(self.args.reads, ","), length, k, repeat, t["plain"][0], t["plain"][2],
                   t["fastq.gz"][0], t["fastq.gz"][2], 100 * (over("fastq.gz") - 1),
                   t["fasta.gz"][0], t["fasta.gz"][2], 100 * (over("fasta.gz") - 1),
                   "byte-identical" if same else "DIFFER"))


def same_result_files(a, b, skip_log=False):
    keep = lambda x: x.endswith(".txt") and x != "console.txt" and not (skip_log and x.endswith("_Log.txt"))
    names = sorted(x for x in os.listdir(a) if keep(x))
    if names != sorted(x for x in os.listdir(b) if keep(x)):
        return False
    for x in names:
        with open(os.path.join(a, x), "rb") as fa, open(os.path.join(b, x), "rb") as fb:
            if fa.read() != fb.read():
                return False
    return True


def main():
    args = parse_args()
    if not os.access(OURS, os.X_OK):
        raise SystemExit("%s is missing: run make first" % OURS)
    b = Bench(args)
    measures = []
    for length, k in args.rows:
        measures += b.row(length, k)
    threads = None if args.no_threads else b.threads_line()
    formats = None if args.no_formats else b.formats_line()
    large = None if args.no_big else big.run(args, OUT, OURS)
    if large and large.bad:
        b.failed = True
    text = render(measures, args, b, threads, large, formats)
    with open(os.path.join(OUT, "results.md"), "w") as f:
        f.write(text)
    sys.stdout.write(text)
    if b.failed:
        log("bench: the mappers DISAGREE (see the hit check above); bench/out/runs holds their outputs")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
