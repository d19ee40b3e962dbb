#!/usr/bin/env python3
"""Writes examples/lambda_pairs_1.fq.gz and lambda_pairs_2.fq.gz: 1,000 read
pairs drawn from the lambda phage genome, deterministically, as a small
realistic test of a pair run (quorvane-map -1 -2).

Each pair is the two ends of a fragment of about 300 +- 50 letters read as
an fr library: mate 1 the fragment's first 100 letters, mate 2 the reverse
complement of its last 100, the fragment from either strand; 0 to 3
substitutions per mate. Some fragments run across the genome's end (it is
circular), some pairs occur nowhere, a few have a mate too short to be
searched. The mates are named pair_N/1 and pair_N/2, with qualities.
Usage: scripts/make-example-pairs.py [genome] [output stem]
"""
import gzip
import random
import sys

COMPLEMENT = str.maketrans("ACGT", "TGCA")


def reverse_complement(s):
    return s.translate(COMPLEMENT)[::-1]


def mutate(rng, read):
    for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3])):
        at = rng.randrange(len(read))
        read = read[:at] + rng.choice("ACGT".replace(read[at], "")) + read[at + 1:]
    return read


def main():
    genome_path = sys.argv[1] if len(sys.argv) > 1 else "examples/lambda.txt"
    stem = sys.argv[2] if len(sys.argv) > 2 else "examples/lambda_pairs"
    genome = open(genome_path).read().strip()
    circle = genome + genome[:1000]
    rng = random.Random(230023)
    mates = ([], [])
    for i in range(1000):
        kind = rng.random()
        if kind < 0.05:
            pair = ["".join(rng.choice("ACGT") for _ in range(100)) for _ in range(2)]  # nowhere
        else:
            length = max(200, int(rng.gauss(300, 50)))
            if kind < 0.08:
                start = len(genome) - rng.randint(1, length - 1)  # across the end
            else:
                start = rng.randrange(len(genome))
            fragment = circle[start:start + length]
            if rng.random() < 0.5:
                fragment = reverse_complement(fragment)
            pair = [mutate(rng, fragment[:100]), mutate(rng, reverse_complement(fragment[-100:]))]
            if kind > 0.99:
                pair[1] = pair[1][:10]  # too short to search
        for m in (0, 1):
            quals = "".join(chr(rng.randint(53, 73)) for _ in pair[m])
            mates[m].append("@pair_%d/%d\n%s\n+\n%s\n" % (i + 1, m + 1, pair[m], quals))
    for m in (0, 1):
        write_gzip("%s_%d.fq.gz" % (stem, m + 1), "".join(mates[m]))


def write_gzip(path, text):
    """gzip without a time stamp, so that the file is the same on every run."""
    with open(path, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", mtime=0, filename="") as out:
        out.write(text.encode())


if __name__ == "__main__":
    main()
