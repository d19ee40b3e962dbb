#!/usr/bin/env python3
"""Writes examples/lambda_reads.txt: about 2,000 reads drawn from the lambda
phage genome, deterministically, as a small realistic test of a mapping run;
beside it the same reads as gzipped FASTQ (lambda_reads.fq.gz, with names
and qualities) and the genome as gzipped FASTA (lambda.fa.gz).

Reads are 36 to 150 letters, from either strand, with 0 to 3 substitutions;
some run across the genome's end (it is circular), some occur nowhere, a few
carry N letters. Usage: scripts/make-example-reads.py [genome] [output]
"""
import gzip
import os
import random
import sys

COMPLEMENT = str.maketrans("ACGT", "TGCA")


def main():
    genome_path = sys.argv[1] if len(sys.argv) > 1 else "examples/lambda.txt"
    out_path = sys.argv[2] if len(sys.argv) > 2 else "examples/lambda_reads.txt"
    genome = open(genome_path).read().strip()
    circle = genome + genome[:200]
    rng = random.Random(48502)
    reads = []
    for i in range(2000):
        length = rng.choice([36, 50, 75, 100, 100, 100, 150])
        kind = rng.random()
        if kind < 0.08:
            read = "".join(rng.choice("ACGT") for _ in range(length))  # nowhere
        else:
            if kind < 0.13:
                start = len(genome) - rng.randint(1, length - 1)  # across the end
            else:
                start = rng.randrange(len(genome))
            read = circle[start:start + length]
            if rng.random() < 0.5:
                read = read.translate(COMPLEMENT)[::-1]
            for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3])):
                at = rng.randrange(length)
                read = read[:at] + rng.choice("ACGT".replace(read[at], "")) + read[at + 1:]
            if rng.random() < 0.02:
                at = rng.randrange(length)
                read = read[:at] + "N" + read[at + 1:]
        reads.append(read)
    with open(out_path, "w", newline="\n") as out:
        out.write("\n".join(reads) + "\n")
    base = os.path.splitext(out_path)[0]
    fastq = "".join("@lambda_%d\n%s\n+\n%s\n" % (i + 1, r, "".join(chr(rng.randint(53, 73)) for _ in r))
                    for i, r in enumerate(reads))
    write_gzip(base + ".fq.gz", fastq)
    fasta = ">lambda NC_001416.1 Enterobacteria phage lambda\n" + "".join(
        genome[i:i + 70] + "\n" for i in range(0, len(genome), 70))
    write_gzip(os.path.splitext(genome_path)[0] + ".fa.gz", fasta)


def write_gzip(path, text):
    """gzip without a time stamp, so that the file is the same on every run."""
    with open(path, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", mtime=0, filename="") as out:
        out.write(text.encode())


if __name__ == "__main__":
    main()
