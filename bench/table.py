"""The benchmark's Markdown report: the measured table, the targets, the hit
check and the notes on how each figure was taken."""

import os
from dataclasses import dataclass

MIB = 1024 * 1024
# (read length, misNu) -> the speed over the faster peer that quorvane must reach
TARGETS = {(100, 3): (2.0, "at least 2×"), (50, 3): (1.5, "at least 1.5×"),
           (36, 3): (1.0, "ahead (above 1×)"), (100, 0): (2.0, "at least 2×")}
THREADS_TARGET = 1.7
MEMORY_BYTES_PER_LETTER, MEMORY_FIXED = 15, 64 * MIB


@dataclass
class Measure:
    length: int
    mis: int
    program: str
    seconds: float
    kib: int
    cpu: float
    reads: int
    gnm_len: int
    hits: int
    cmd: list

    @property
    def reads_per_s(self):
        return self.reads / max(self.seconds, 0.01)   # /usr/bin/time counts in 10 ms steps

    @property
    def bytes_per_letter(self):
        return self.kib * 1024 / self.gnm_len


def speed(peer, ours):
    """Our speed over the peer: its seconds over ours (/usr/bin/time has 10 ms steps)."""
    return max(peer.seconds, 0.01) / max(ours.seconds, 0.01)


def times(x):
    return ("%.2f×" if x >= 0.1 else "%.2g×") % x


def render(measures, args, bench, threads_line):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    gnm_len = len(bench.genome)
    out = ["# quorvane-map against bowtie and razers3", ""]
    out.append("Genome `%s`, %s letters; %s simulated reads per read length (0 to 3 substitutions, "
               "both strands, a tenth random); one thread each; whole process." % (
                   os.path.relpath(bench.gpath, root), format(gnm_len, ","), format(args.reads, ",")))
    out += ["", "| reads | misNu | program | seconds | CPU s | reads/s | peak MiB | bytes/letter | hits | our speed over it |",
            "|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|"]
    rows = {}
    for m in measures:
        rows.setdefault((m.length, m.mis), {})[m.program] = m
    for (length, k), r in rows.items():
        ours = r["quorvane-map"]
        for m in r.values():
            rel = "" if m is ours else times(speed(m, ours))
            out.append("| %d | %d | %s | %.2f | %.2f | %s | %.1f | %.1f | %s | %s |" % (
                length, k, m.program, m.seconds, m.cpu, format(int(m.reads_per_s), ","), m.kib / 1024,
                m.bytes_per_letter, format(m.hits, ","), rel))
    out += ["", "## Targets", ""]
    target_rows = [(key, r) for key, r in rows.items() if key in TARGETS and len(r) > 1]
    if target_rows:
        out += ["| reads | misNu | faster peer | our speed over it | target | met |", "|---:|---:|---|---:|---|---|"]
    else:
        out.append("No row with a speed target was run.")
    for (length, k), r in target_rows:
        peers = [m for m in r.values() if m.program != "quorvane-map"]
        goal, text = TARGETS[(length, k)]
        fast = min(peers, key=lambda m: m.seconds)
        s = speed(fast, r["quorvane-map"])
        met = s > goal if goal == 1.0 else s >= goal
        out.append("| %d | %d | %s | %s | %s | %s |" % (length, k, fast.program, times(s), text, "yes" if met else "**no**"))
    limit = MEMORY_BYTES_PER_LETTER * gnm_len + MEMORY_FIXED
    peak = max(m.kib * 1024 for m in measures if m.program == "quorvane-map")
    out += ["", "Peak memory of quorvane-map: %.1f MiB at most, limit %.1f MiB (15 bytes per genome letter "
            "+ 64 MiB): %s." % (peak / MIB, limit / MIB, "met" if peak <= limit else "**not met**")]
    if threads_line:
        out += ["", threads_line + " Target: at least %.1f×." % THREADS_TARGET]
    out += ["", "## Hit check", ""]
    out.append("Every hit is keyed (read, strand, position, mismatches); each program's mismatch counts are "
               "also recounted against the genome. The peers treat the genome as linear, so quorvane's hits "
               "that run across its origin are set aside. A read is named by its 0-based number in the reads "
               "file, a hit by quorvane's signed position.")
    out += ["", "**Result: %s.**" % ("the mappers DISAGREE" if bench.failed else "all agree")]
    out += ["", "\n\n".join(bench.checks)]
    out += ["", "## How it was measured", ""]
    out += notes(measures, root)
    return "\n".join(out) + "\n"


def notes(measures, root):
    first = {}
    for m in measures:
        first.setdefault(m.program, m)
    lines = [
        "- seconds: wall-clock time of the whole process (`/usr/bin/time -f '%e %M %U %S'`), input reading, "
        "index building and result writing included (`%U + %S` for CPU s: well above the wall seconds means "
        "more than one core was used, well below means the machine was busy); peak MiB: its maximum "
        "resident set; bytes/letter: "
        "peak resident bytes over the genome length; our speed over a peer: the peer's seconds over ours.",
        "- bowtie's index is built once by `bowtie-build` and cached in `bench/out/index/`; that build is not "
        "timed, loading the index is. quorvane-map and razers3 build their indexes within the timed run.",
        "- The commands, for the first row (reads in `bench/out/inputs/`, outputs in `bench/out/runs/`):",
    ]
    for m in first.values():
        lines.append("  - `%s`" % " ".join(os.path.relpath(a, root) if os.path.isabs(a) else a for a in m.cmd))
    lines += [
        "- bowtie `-v k -a`: end-to-end alignments with at most k mismatches, qualities ignored, every "
        "alignment reported; `-f` FASTA reads, `--quiet`, default output format.",
        "- razers3 `-i P -rr 100 -ng`: Hamming distance only, full sensitivity; P allows exactly k mismatches "
        "for the read length (razers3 allows floor(len * (100 - P) / 100), so P is 100 * (len - k) / len "
        "truncated to 4 decimals); `-m 1000000` so that no read's hits are cut to the best 100. With `-tc 1` "
        "it may write a hit twice; duplicates are ignored.",
    ]
    return lines
