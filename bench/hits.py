"""Reading the hits of the three mappers into one form, and comparing them.

A hit is keyed (read number, pos) in quorvane's convention: pos = +p for the
direct strand, p the 1-based position under the read's first letter; pos = -p
for the complementary strand, p the 1-based direct-strand position of the
letter that pairs with the read's first letter, so the read's reverse
complement covers direct positions p-len+1 .. p. The value is the number of
mismatching letters. The peers give the leftmost 0-based offset instead."""

import glob
import os

from inputs import reverse_complement


class HitSet:
    def __init__(self):
        self.hits = {}        # (read, pos) -> mismatches
        self.duplicates = 0   # lines that repeated a hit already read

    def add(self, read, pos, mis):
        key = (read, pos)
        if key in self.hits:
            self.duplicates += 1
            if self.hits[key] != mis:
                raise SystemExit("hit %s reported with %d and %d mismatches" % (key, self.hits[key], mis))
            return
        self.hits[key] = mis


def peer_pos(strand, offset, length):
    """quorvane's pos for a peer's strand and leftmost 0-based offset."""
    return offset + 1 if strand in "+F" else -(offset + length)


def crosses_origin(pos, length, gnm_len):
    return pos + length - 1 > gnm_len if pos > 0 else -pos < length


def read_ours(result_dir, reads, mis_nu):
    """The position file of one run. It holds the found-read number and the
    read's text; found reads come in reads-file order, and equal texts are
    found alike, so each number maps to the next read with that text."""
    files = glob.glob(os.path.join(result_dir, "*MapRdsPos.txt"))
    out = HitSet()
    if not files:          # no read found: only the run log is left
        return out
    if len(files) != 1:
        raise SystemExit("more than one position file in %s" % result_dir)
    with open(files[0]) as f:
        records = f.read().split("\n")
    header = "rdNom\tread\tpos" + ("\tmisNu" if mis_nu > 0 else "")
    if records[0] != header:
        raise SystemExit("%s: unexpected header %r" % (files[0], records[0]))
    nxt, cur_nom, cur_read = 0, None, None
    for rec in records[1:]:
        fields = rec.split("\t")
        if fields[0] != cur_nom:
            while nxt < len(reads) and reads[nxt] != fields[1]:
                nxt += 1
            if nxt == len(reads):
                raise SystemExit("%s: read %s not in the reads file in order" % (files[0], fields[0]))
            cur_nom, cur_read, nxt = fields[0], nxt, nxt + 1
        out.add(cur_read, int(fields[2]), int(fields[3]) if mis_nu > 0 else 0)
    return out


def read_bowtie(path, reads):
    """bowtie's default output: name, strand, reference, offset, read, qualities,
    other alignments, mismatch list (comma-separated, empty without)."""
    out = HitSet()
    with open(path) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            read = int(fields[0])
            mis = len(fields[7].split(",")) if len(fields) > 7 and fields[7] else 0
            out.add(read, peer_pos(fields[1], int(fields[3]), len(reads[read])), mis)
    return out


def read_razers(path, reads, genome):
    """razers3's own format: name, read begin, read end, strand (F/R), genome,
    genome begin (0-based), genome end, percent identity. The mismatches are
    counted against the genome, as the identity is rounded."""
    out = HitSet()
    with open(path) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            read = int(fields[0])
            pos = peer_pos(fields[3], int(fields[5]), len(reads[read]))
            out.add(read, pos, mismatches(genome, reads[read], pos))
    return out


def mismatches(genome, read, pos):
    """Letters of `read` that differ from the circular genome at hit `pos`."""
    n, g = len(read), len(genome)
    if pos > 0:
        start, text = pos - 1, read
    else:
        start, text = -pos - n, reverse_complement(read)
    start %= g
    end = start + n
    ref = genome[start:end] if end <= g else genome[start:] + genome[:end - g]
    return sum(a != b for a, b in zip(text, ref))


def invalid_hits(hs, reads, genome, mis_nu):
    """Hits whose mismatch count is wrong or above the limit."""
    bad = []
    for (read, pos), mis in hs.hits.items():
        real = mismatches(genome, reads[read], pos)
        if real != mis or mis > mis_nu:
            bad.append((read, pos, mis, real))
    return bad


def split_origin(hs, reads, gnm_len):
    """(hits that lie within the linear genome, number that cross its origin)"""
    inner = {k: v for k, v in hs.hits.items() if not crosses_origin(k[1], len(reads[k[0]]), gnm_len)}
    return inner, len(hs.hits) - len(inner)


def compare(ours, peer):
    """Returns (agreeing hits, only ours, only the peer's, mismatch counts differ)."""
    only_ours = [(k, v) for k, v in ours.items() if k not in peer]
    only_peer = [(k, v) for k, v in peer.items() if k not in ours]
    differ = [(k, v, peer[k]) for k, v in ours.items() if k in peer and peer[k] != v]
    same = len(ours) - len(only_ours) - len(differ)
    return same, sorted(only_ours), sorted(only_peer), sorted(differ)
