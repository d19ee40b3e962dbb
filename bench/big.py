"""The large-genome row: a generated genome of 100 million letters with
repeats and 1,000,000 reads of 100 letters at misNu 3. It reports the time
of our saved index's build beside bowtie-build's, a run's time to map the
index in, our peak memory per genome letter, and checks the mismatch
counts of a sample of our hits."""

import os
from dataclasses import dataclass

import hits
import inputs
import runs

BIG_STEM = "big%dm"
MIS = 3
LENGTH = 100
CHECKED_READS = 10000


@dataclass
class BigResult:
    letters: int
    reads: int
    load_sec: float      # our whole process on one read from the saved index: mapping it in
    load_cpu: float
    index_sec: float     # quorvane-map index: the saved index made
    index_cpu: float
    index_kib: int
    run_sec: float       # our whole process on all reads
    run_cpu: float
    run_kib: int
    bowtie_build_sec: float
    bowtie_build_cpu: float
    hits: int
    bad: list            # hits of the first CHECKED_READS reads with a wrong count
    cmd: list

    @property
    def bytes_per_letter(self):
        return self.run_kib * 1024 / self.letters


def run(args, out_dir, ours):
    stem = BIG_STEM % (args.big_letters // 1_000_000)
    in_dir = os.path.join(out_dir, "inputs")
    gpath = os.path.join(in_dir, stem + ".txt")
    runs.log("large genome: %s letters in %s (written once)" % (format(args.big_letters, ","), gpath))
    inputs.big_genome(gpath, args.big_letters)
    with open(gpath) as f:
        genome = f.read()
    fasta = os.path.join(in_dir, stem + ".fa")
    inputs.write_fasta(fasta, stem, genome, gpath)
    _, build_sec, build_cpu = runs.bowtie_index(out_dir, fasta, stem)

    reads = inputs.simulate_reads(genome, LENGTH, args.big_reads)
    base = os.path.join(in_dir, "%s_reads%d_n%d" % (stem, LENGTH, args.big_reads))
    inputs.write_reads(reads, base + ".txt", base + ".fa")
    with open(base + "_one.txt", "w") as f:
        f.write(reads[0] + "\n")

    saved = os.path.join(out_dir, "index", stem + ".qvi")
    os.makedirs(os.path.dirname(saved), exist_ok=True)
    runs.log("large genome: quorvane-map index (one thread)")
    index_sec, index_kib, index_cpu = runs.timed([ours, "index", gpath, "-o", saved, "-t", "1", "-q"],
                                                 os.path.join(out_dir, "runs", stem + "_index.console"), args.repeat)

    def ours_cmd(reads_file, run_dir):
        os.makedirs(run_dir, exist_ok=True)
        for x in os.listdir(run_dir):
            os.remove(os.path.join(run_dir, x))
        return [ours, "-g", saved, "-r", reads_file, "-o", run_dir, "-m", str(MIS), "-t", "1", "-q"]

    one_dir = os.path.join(out_dir, "runs", stem + "_one")
    runs.log("large genome: quorvane-map on one read (mapping the saved index in)")
    load_sec, _, load_cpu = runs.timed(ours_cmd(base + "_one.txt", one_dir), os.path.join(out_dir, "runs", stem + "_one.console"), args.repeat)
    all_dir = os.path.join(out_dir, "runs", stem + "_all")
    runs.log("large genome: quorvane-map on %s reads" % format(args.big_reads, ","))
    cmd = ours_cmd(base + ".txt", all_dir)
    run_sec, run_kib, run_cpu = runs.timed(cmd, os.path.join(out_dir, "runs", stem + "_all.console"), args.repeat)

    found = hits.read_ours(all_dir, reads, MIS)
    sample = hits.HitSet()
    sample.hits = {k: v for k, v in found.hits.items() if k[0] < CHECKED_READS}
    bad = hits.invalid_hits(sample, reads, genome, MIS)
    return BigResult(args.big_letters, args.big_reads, load_sec, load_cpu, index_sec, index_cpu, index_kib,
                     run_sec, run_cpu, run_kib,
                     build_sec, build_cpu, len(found.hits), bad, cmd)
