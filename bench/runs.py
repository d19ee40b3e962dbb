"""Running one timed command, and the peers' own preparations: razers3's
identity for k mismatches and bowtie's index (whose build is timed once)."""

import os
import signal
import subprocess
import time
import sys

import inputs


def log(msg):
    print(msg, file=sys.stderr, flush=True)


class Stopped(Exception):
    """A command ran past its time limit and was stopped."""


def run_once(cmd, out_path, limit=None):
    """Runs cmd once under /usr/bin/time; returns (wall seconds, KiB, CPU
    seconds). Standard output and error go to out_path. Past limit seconds
    the whole process group is killed and Stopped is raised."""
    tfile = out_path + ".time"
    with open(out_path, "w") as out:
        start = time.perf_counter()
        p = subprocess.Popen(["/usr/bin/time", "-f", "%e %M %U %S", "-o", tfile, "--"] + cmd,
                             stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            rc = p.wait(timeout=limit)
            wall = time.perf_counter() - start
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
            raise Stopped()
    if rc != 0:
        raise SystemExit("failed (exit %d): %s\nsee %s" % (rc, " ".join(cmd), out_path))
    with open(tfile) as f:
        sec, kib, user, system = f.read().split()[-4:]
    # The wall time to the millisecond rather than time's hundredths.
    del sec
    return wall, int(kib), float(user) + float(system)


def timed(cmd, out_path, repeat, limit=None):
    """The fastest of `repeat` runs of cmd (see run_once)."""
    best = None
    for _ in range(repeat):
        run = run_once(cmd, out_path, limit)
        if best is None or run[0] < best[0]:
            best = run
    return best


def razers_identity(length, k):
    """The percent identity that lets razers3 allow exactly k mismatches in a
    read of `length` letters: it allows floor(length * (100 - P) / 100), so the
    exact 100 * (length - k) / length must not be rounded up (91.6667 allows
    only 2 mismatches in 36 letters); it is truncated to 4 decimals instead."""
    if 100 * (length - k) % length == 0:
        return str(100 * (length - k) // length)
    return "%.4f" % (int(100 * (length - k) / length * 10000) / 10000)


def bowtie_index(out_dir, fasta, stem):
    """Builds bowtie's index once per genome, one thread, and keeps it in
    out_dir/index; returns (index base, seconds the build took, CPU seconds)
    as measured when it was built."""
    base = os.path.join(out_dir, "index", stem)
    timing = base + ".build-time"
    if os.path.exists(base + ".1.ebwt") and inputs.is_current(base, fasta) and os.path.exists(timing):
        with open(timing) as f:
            sec, cpu = (float(x) for x in f.read().split())
        return base, sec, cpu
    os.makedirs(os.path.dirname(base), exist_ok=True)
    log("building the bowtie index of %s (once; its time is kept)" % stem)
    sec, _, cpu = run_once(["bowtie-build", "-q", "--threads", "1", fasta, base], base + ".build.txt")
    inputs.mark_made(base, fasta)
    with open(timing, "w") as f:
        f.write("%.2f %.2f\n" % (sec, cpu))
    log("  %.1f s" % sec)
    return base, sec, cpu
