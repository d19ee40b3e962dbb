"""Benchmark inputs: the genome, its FASTA copy for the peers, and the
simulated reads, all deterministic so that every run maps the same data."""

import gzip
import os
import shutil
import random

LETTERS = "ACGT"
COMPLEMENT = str.maketrans("ACGTacgt", "TGCAtgca")
RANDOM_GENOME_LEN = 5_000_000
GENOME_SEED = 20240605
READS_SEED = 1000


def reverse_complement(s):
    return s.translate(COMPLEMENT)[::-1]


def load_genome(path, out_dir):
    """Returns (genome file path, genome text). Without a path, writes a random
    genome of RANDOM_GENOME_LEN letters into out_dir once and uses it."""
    if path is None:
        path = os.path.join(out_dir, "random5m.txt")
        if not os.path.exists(path) or os.path.getsize(path) != RANDOM_GENOME_LEN:
            rng = random.Random(GENOME_SEED)
            text = "".join(rng.choices(LETTERS, k=RANDOM_GENOME_LEN))
            with open(path + ".tmp", "w") as f:
                f.write(text)
            os.replace(path + ".tmp", path)
    with open(path) as f:
        text = f.read()
    bad = set(text.upper()) - set(LETTERS)
    if bad:
        raise SystemExit("genome %s holds letters other than A, C, G, T: %s" % (path, sorted(bad)[:5]))
    return path, text.upper()


def big_genome(path, letters, seed=GENOME_SEED + 1):
    """Writes, once, a genome of `letters` letters that holds what real ones
    do: families of repeated elements (300 to 6,000 letters, 20 to 300
    copies each, 0 to 15 % of their letters changed, on either strand,
    about a third of the genome in all) and short tandem repeats, over
    random sequence. The same seed gives the same genome."""
    if os.path.exists(path) and os.path.getsize(path) == letters:
        return
    rng = random.Random(seed)
    g = bytearray(rng.randbytes(letters).translate(bytes(ord(LETTERS[b & 3]) for b in range(256))))
    compl = bytes.maketrans(b"ACGT", b"TGCA")
    repeated = 0
    while repeated < letters // 3:
        start, size = rng.randrange(letters - 6000), int(300 * 20 ** rng.random())
        element = bytes(g[start:start + size])
        for _ in range(rng.randrange(20, 301)):
            copy = bytearray(element)
            for i in rng.sample(range(len(copy)), int(len(copy) * rng.random() * 0.15)):
                copy[i] = ord(rng.choice(LETTERS))
            if rng.random() < 0.5:
                copy = bytearray(bytes(copy).translate(compl)[::-1])
            at = rng.randrange(letters - len(copy))
            g[at:at + len(copy)] = copy
            repeated += len(copy)
    for _ in range(letters // 50000):
        unit = "".join(rng.choices(LETTERS, k=rng.randrange(1, 7))).encode()
        n = rng.randrange(20, 201)
        at = rng.randrange(letters - n)
        g[at:at + n] = (unit * n)[:n]
    with open(path + ".tmp", "wb") as f:
        f.write(g)
    os.replace(path + ".tmp", path)


def source_key(path):
    """What identifies a genome file's content cheaply: its path, size and time."""
    st = os.stat(path)
    return "%s %d %d\n" % (os.path.abspath(path), st.st_size, st.st_mtime_ns)


def is_current(made, source):
    """Whether `made` was derived from `source` as it is now (see mark_made)."""
    try:
        with open(made + ".source") as f:
            return f.read() == source_key(source)
    except OSError:
        return False


def mark_made(made, source):
    with open(made + ".source", "w") as f:
        f.write(source_key(source))


def write_fasta(path, name, seq, source):
    """The peers' FASTA copy of the genome, written once per genome file."""
    if os.path.exists(path) and is_current(path, source):
        return
    with open(path + ".tmp", "w") as f:
        f.write(">%s\n" % name)
        for i in range(0, len(seq), 80):
            f.write(seq[i:i + 80])
            f.write("\n")
    os.replace(path + ".tmp", path)
    mark_made(path, source)


def simulate_reads(genome, length, count, seed=READS_SEED):
    """count reads of `length` letters: a tenth random (found nowhere), the rest
    cut from the circular genome at a random start, from either strand, with
    0 to 3 substitutions at distinct places."""
    rng = random.Random(seed * 1000 + length)
    g = len(genome)
    reads = []
    for _ in range(count):
        if rng.random() < 0.1:
            reads.append("".join(rng.choices(LETTERS, k=length)))
            continue
        start = rng.randrange(g)
        end = start + length
        s = genome[start:end] if end <= g else genome[start:] + genome[:end - g]
        if rng.random() < 0.5:
            s = reverse_complement(s)
        subs = rng.randrange(4)
        if subs:
            letters = list(s)
            for p in rng.sample(range(length), subs):
                letters[p] = rng.choice([c for c in LETTERS if c != letters[p]])
            s = "".join(letters)
        reads.append(s)
    return reads


def write_reads(reads, txt_path, fasta_path):
    """Our reads file (one read per line) and the peers' FASTA copy, whose
    read names are the 0-based read numbers."""
    with open(txt_path, "w") as f:
        f.write("\n".join(reads))
        f.write("\n")
    with open(fasta_path, "w") as f:
        for i, s in enumerate(reads):
            f.write(">%d\n%s\n" % (i, s))


def write_fastq_gz(txt_path, path):
    """The reads of our reads file as gzipped FASTQ (default level), named by
    their 0-based numbers, every quality 'I'."""
    with open(txt_path) as f, gzip.open(path + ".tmp", "wt") as out:
        for i, line in enumerate(f):
            s = line.rstrip("\n")
            out.write("@%d\n%s\n+\n%s\n" % (i, s, "I" * len(s)))
    os.replace(path + ".tmp", path)


def gzip_file(src, path):
    """A gzipped copy of src (default level)."""
    with open(src, "rb") as f, gzip.open(path + ".tmp", "wb") as out:
        shutil.copyfileobj(f, out)
    os.replace(path + ".tmp", path)
