"""The benchmark's Markdown report: the measured table, the targets, the hit
check and the notes on how each figure was taken."""

import os
from dataclasses import dataclass

MIB = 1024 * 1024
# (read length, misNu) -> the speed over the faster peer that quorvane must reach
TARGETS = {(100, 3): (6.0, "at least 6×"), (50, 3): (5.0, "at least 5×"), (36, 3): (5.0, "at least 5×"),
           (100, 0): (6.0, "at least 6×"), (20, 2): (20.0, "at least 20×"), (20, 3): (20.0, "at least 20×")}
THREADS_TARGET = 1.8
MEMORY_BYTES_PER_LETTER, MEMORY_FIXED = 5, 64 * MIB
BUILD_SHARE = 0.05  # our saved index's build against bowtie-build, at most
LOAD_SHARE = 0.05   # a run's mapping in of the saved index against its build, at most


@dataclass
class Measure:
    length: int
    mis: int
    program: str
    seconds: float  # None: stopped after `limit` seconds
    kib: int
    cpu: float
    reads: int
    gnm_len: int
    hits: int
    cmd: list
    limit: float = None

    @property
    def finished(self):
        return self.seconds is not None

    @property
    def reads_per_s(self):
        return self.reads / max(self.seconds, 0.01)   # /usr/bin/time counts in 10 ms steps

    @property
    def bytes_per_letter(self):
        return self.kib * 1024 / self.gnm_len


def speed(peer, ours):
    """Our speed over the peer: its CPU seconds over ours (/usr/bin/time has
    10 ms steps). CPU time, unlike wall time, leaves out the waits of a
    process while others hold the processor."""
    return max(peer.cpu, 0.01) / max(ours.cpu, 0.01)


def times(x):
    return ("%.2f×" if x >= 0.1 else "%.2g×") % x


def measure_line(m, ours):
    if not m.finished:
        return "| %d | %d | %s | > %g (stopped) | | | | | | more than %s |" % (
            m.length, m.mis, m.program, m.limit, times(m.limit / max(ours.cpu, 0.01)))
    rel = "" if m is ours else times(speed(m, ours))
    return "| %d | %d | %s | %.2f | %.2f | %s | %.1f | %.1f | %s | %s |" % (
        m.length, m.mis, m.program, m.seconds, m.cpu, format(int(m.reads_per_s), ","), m.kib / 1024,
        m.bytes_per_letter, format(m.hits, ","), rel)


def target_lines(rows):
    out = []
    target_rows = [(key, r) for key, r in rows.items() if key in TARGETS and len(r) > 1]
    if not target_rows:
        return ["No row with a speed target was run."]
    out += ["| reads | misNu | faster peer | our speed over it | target | met |", "|---:|---:|---|---:|---|---|"]
    for (length, k), r in target_rows:
        goal, text = TARGETS[(length, k)]
        peers = [m for m in r.values() if m.program != "quorvane-map" and m.finished]
        if not peers:
            # Every peer was stopped: our speed is at least the limit over our time.
            least = min(m.limit for m in r.values() if not m.finished) / max(r["quorvane-map"].cpu, 0.01)
            out.append("| %d | %d | none finished | more than %s | %s | %s |" % (
                length, k, times(least), text, "yes" if least >= goal else "not known"))
            continue
        fast = min(peers, key=lambda m: m.seconds)
        s = speed(fast, r["quorvane-map"])
        out.append("| %d | %d | %s | %s | %s | %s |" % (length, k, fast.program, times(s), text,
                                                        "yes" if s >= goal else "**no**"))
    return out


def large_lines(large):
    limit = MEMORY_BYTES_PER_LETTER * large.letters + MEMORY_FIXED
    share = large.index_cpu / max(large.bowtie_build_cpu, 0.01)
    load_share = large.load_sec / max(large.index_sec, 0.01)
    return [
        "## Large genome", "",
        "A generated genome of %s letters (repeat families and tandem repeats over random sequence, "
        "`bench/out/inputs/`), %s simulated reads of %d letters, misNu %d, one thread." % (
            format(large.letters, ","), format(large.reads, ","), 100, 3), "",
        "| figure | quorvane-map | bowtie-build | target | met |", "|---|---:|---:|---|---|",
        "| saved index build, s (CPU s; peak MiB) | %.2f (%.2f; %.0f) | %.1f (%.1f) | CPU s at most a twentieth of "
        "bowtie-build's | %s (%.3f) |" % (
            large.index_sec, large.index_cpu, large.index_kib / 1024, large.bowtie_build_sec, large.bowtie_build_cpu,
            "yes" if share <= BUILD_SHARE else "**no**", share),
        "| a run of one read from the saved index (page cache warm), s (CPU s) | %.3f (%.2f) | | under 5%% of the "
        "build's time | %s (%.3f) |" % (large.load_sec, large.load_cpu, "yes" if load_share < LOAD_SHARE else "**no**",
                                         load_share),
        "| peak memory, MiB (bytes per letter) | %.0f (%.2f) | | at most %d bytes per letter + 64 MiB (%.0f MiB) | %s |" % (
            large.run_kib / 1024, large.bytes_per_letter, MEMORY_BYTES_PER_LETTER, limit / MIB,
            "yes" if large.run_kib * 1024 <= limit else "**no**"),
        "| %s reads mapped, s (CPU s) | %.2f (%.2f) | | | |" % (format(large.reads, ","), large.run_sec, large.run_cpu),
        "", "Saved index build: `quorvane-map index -t 1` on the plain genome file (reading it, coding it, building "
        "the index, writing the file); a run of one read: the whole process of `quorvane-map -g INDEX` (mapping the "
        "index in, checking it, writing the result files); bowtie-build: `bowtie-build -q "
        "--threads 1` on the FASTA copy, timed when its index was built. %s hits; the mismatch counts of "
        "those of the first 10,000 reads recounted against the genome: %s." % (
            format(large.hits, ","), "all right" if not large.bad else "%d WRONG" % len(large.bad)),
    ]


def render(measures, args, bench, threads_line, large=None, formats_line=None):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    gnm_len = len(bench.genome)
    out = ["# quorvane-map against bowtie and razers3", ""]
    out.append("Genome `%s`, %s letters; %s simulated reads per read length (0 to 3 substitutions, "
               "both strands, a tenth random); one thread each; whole process." % (
                   os.path.relpath(bench.gpath, root), format(gnm_len, ","), format(args.reads, ",")))
    if bench.saved_build:
        sec, kib, cpu = bench.saved_build
        out.append("")
        out.append("quorvane-map maps the saved index `%s`, made once by `quorvane-map index -t 1` in %.2f s (CPU %.2f s, "
                   "peak %.0f MiB)." % (os.path.relpath(bench.saved, root), sec, cpu, kib / 1024))
    out += ["", "| reads | misNu | program | seconds | CPU s | reads/s | peak MiB | bytes/letter | hits | our speed over it |",
            "|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|"]
    rows = {}
    for m in measures:
        rows.setdefault((m.length, m.mis), {})[m.program] = m
    for r in rows.values():
        out += [measure_line(m, r["quorvane-map"]) for m in r.values()]
    out += ["", "## Targets", ""] + target_lines(rows)
    ours = [m for m in measures if m.program == "quorvane-map"]
    if ours:
        limit = MEMORY_BYTES_PER_LETTER * gnm_len + MEMORY_FIXED
        peak = max(m.kib * 1024 for m in ours)
        out += ["", "Peak memory of quorvane-map: %.1f MiB at most, limit %.1f MiB (%d bytes per genome letter "
                "+ 64 MiB): %s." % (peak / MIB, limit / MIB, MEMORY_BYTES_PER_LETTER,
                                    "met" if peak <= limit else "**not met**")]
    if threads_line:
        out += ["", threads_line + " Target: at least %.1f×." % THREADS_TARGET]
    if formats_line:
        out += ["", formats_line]
    if large:
        out += [""] + large_lines(large)
    out += ["", "## Hit check", ""]
    out.append("Every hit is keyed (read, strand, position, mismatches); each program's mismatch counts are "
               "also recounted against the genome. The peers treat the genome as linear, so quorvane's hits "
               "that run across its origin are set aside. A read is named by its 0-based number in the reads "
               "file, a hit by quorvane's signed position.")
    out += ["", "**Result: %s.**" % ("the mappers DISAGREE" if bench.failed else "all agree")]
    out += ["", "\n\n".join(bench.checks)]
    out += ["", "## How it was measured", ""]
    out += notes(measures, root, args)
    return "\n".join(out) + "\n"


def notes(measures, root, args):
    first = {}
    for m in measures:
        first.setdefault(m.program, m)
    lines = [
        "- seconds: wall-clock time of the whole process, taken by the benchmark around "
        "`/usr/bin/time -f '%M %U %S'`, input reading, "
        "index building and result writing included (`%U + %S` for CPU s: well above the wall seconds means "
        "more than one core was used, well below means the machine was busy); peak MiB: its maximum "
        "resident set; bytes/letter: "
        "peak resident bytes over the genome length; our speed over a peer: the peer's CPU seconds over ours "
        "(a stopped peer: its time limit over our CPU seconds).",
        "- A peer's run is stopped after %g s (`--peer-limit`); a row's target then counts the peers that "
        "finished." % args.peer_limit,
        "- bowtie's index is built once by `bowtie-build` and cached in `bench/out/index/`; that build is not "
        "timed, loading the index is. quorvane-map maps its saved index, made once by `quorvane-map index` "
        "(`bench/out/index/`, its build not timed; `--from-genome` builds it within every run instead); razers3 "
        "builds its index within the timed run.",
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
