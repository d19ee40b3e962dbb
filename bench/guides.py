"""The guide search benchmark: 1,000 guides of 20 letters with the PAM NGG
against E. coli at K 0 to 5, bowtie -v 3 -a on the same 23-letter queries
with the PAM checked afterwards (whose sites must equal ours), and 1,000
guides at K 4 and 5 on a generated genome of 100 million letters. Every
command runs on one thread and is timed whole, the fastest of --repeat runs.
The table goes to standard output and to bench/out/guides.md."""

import argparse
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import inputs  # noqa: E402
import runs  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
OURS = os.path.join(ROOT, "build", "quorvane-map")
ECOLI = os.path.join(ROOT, "..", "shared", "data", "ecoli.txt")
GUIDE_LEN = 20
# FlashFry's figure: 65 ms per guide per core on 3 Gbp.
FLASHFRY_MS_PER_GBP = 65 / 3.0


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--guides", type=int, default=1000, help="guides per run (1000)")
    p.add_argument("--repeat", type=int, default=1, help="keep the fastest of this many runs of each command")
    p.add_argument("--no-bowtie", action="store_true", help="leave bowtie out")
    p.add_argument("--no-big", action="store_true", help="leave the 100 Mbp genome out")
    p.add_argument("--big-letters", type=int, default=100_000_000, help="letters of the generated genome")
    return p.parse_args()


def draw_guides(genome, count, seed):
    """count protospacers of GUIDE_LEN letters that stand before NGG on the
    direct strand or after CCN on the complementary one, as guides are
    chosen: each has at least its own site."""
    rng = random.Random(seed)
    out = []
    n = len(genome)
    while len(out) < count:
        i = rng.randrange(GUIDE_LEN + 3, n - GUIDE_LEN - 3)
        if genome[i + 1:i + 3] == "GG":
            g = genome[i - GUIDE_LEN:i]
        elif genome[i - 3:i - 1] == "CC":
            g = inputs.reverse_complement(genome[i:i + GUIDE_LEN])
        else:
            continue
        if set(g) <= set("ACGT"):
            out.append(g)
    return out


def write_guides(path, guides):
    with open(path, "w") as f:
        for k, g in enumerate(guides):
            f.write(">g%d\n%s\n" % (k, g))


def ours_sites(path):
    """Our sites file: {(guide, start0, strand): mis}."""
    sites = {}
    with open(path) as f:
        next(f)
        for line in f:
            g, _, start, strand, _, mis, _ = line.rstrip("\n").split("\t")
            sites[(g, int(start) - 1, strand)] = int(mis)
    return sites


def bowtie_sites(path, genome, guides):
    """bowtie's hits of the 23-letter queries, kept where the genome holds
    the PAM NGG and the protospacer differs from the guide in at most 3
    letters (recounted on the genome): {(guide, start0, strand): mis}."""
    by_name = {"g%d" % k: g for k, g in enumerate(guides)}
    sites = {}
    with open(path) as f:
        for line in f:
            f_ = line.split("\t")
            name, strand, start = f_[0].split("_")[0], f_[1], int(f_[3])
            site = genome[start:start + GUIDE_LEN + 3]
            if strand == "-":
                site = inputs.reverse_complement(site)
            if site[GUIDE_LEN + 1:] != "GG":
                continue
            mis = sum(a != b for a, b in zip(site[:GUIDE_LEN], by_name[name]))
            if mis <= 3:
                sites[(name, start, strand)] = mis
    return sites


def main():
    args = parse_args()
    in_dir = os.path.join(OUT, "inputs")
    run_dir = os.path.join(OUT, "guides")
    os.makedirs(in_dir, exist_ok=True)
    os.makedirs(run_dir, exist_ok=True)
    rows = []
    failed = False

    if not os.path.exists(ECOLI):
        raise SystemExit("missing %s" % ECOLI)
    gpath, genome = inputs.load_genome(ECOLI, in_dir)
    guides = draw_guides(genome, args.guides, 18)
    gfile = os.path.join(in_dir, "ecoli_guides.fa")
    write_guides(gfile, guides)
    res = os.path.join(run_dir, "res")
    os.makedirs(res, exist_ok=True)
    ours = {}
    for k in range(0, 6):
        cmd = [OURS, "guides", "-g", gpath, "-q", gfile, "--pam", "NGG", "-m", str(k), "-o", res, "-t", "1", "--quiet"]
        wall, kib, cpu = runs.timed(cmd, os.path.join(run_dir, "ecoli_m%d.txt" % k), args.repeat)
        sites = ours_sites(os.path.join(res, "ecoli_guides_ecoli_NGG_m%dGuideSites.tsv" % k))
        rows.append(("E. coli, %d guides" % len(guides), k, wall, cpu, kib, len(sites)))
        runs.log("E. coli K %d: %.2f s wall, %.2f s CPU, %d MiB, %d sites" % (k, wall, cpu, kib // 1024, len(sites)))
        ours[k] = sites

    bowtie = None
    if not args.no_bowtie:
        fasta = os.path.join(in_dir, "ecoli.fa")
        inputs.write_fasta(fasta, "ecoli", genome, gpath)
        index = runs.bowtie_index(OUT, fasta, "ecoli")[0]
        # Every guide with each of the four PAMs that NGG stands for, so that
        # the PAM's N costs no mismatch.
        qfile = os.path.join(in_dir, "ecoli_guides_23.fa")
        with open(qfile, "w") as f:
            for k, g in enumerate(guides):
                for n in "ACGT":
                    f.write(">g%d_%s\n%s%sGG\n" % (k, n, g, n))
        hits = os.path.join(run_dir, "bowtie_v3.txt")
        cmd = ["bowtie", "-f", "-v", "3", "-a", "-p", "1", "--quiet", index, qfile, hits]
        wall, kib, cpu = runs.timed(cmd, os.path.join(run_dir, "bowtie_v3.log"), args.repeat)
        theirs = bowtie_sites(hits, genome, guides)
        n = len(genome)
        ours3 = {s: m for s, m in ours[3].items() if s[1] + GUIDE_LEN + 3 <= n}  # bowtie's genome is linear
        same = ours3 == theirs
        failed |= not same
        bowtie = (wall, cpu, kib, len(theirs), same, len(ours[3]) - len(ours3))
        runs.log("bowtie -v 3 -a: %.2f s wall, %.2f s CPU, %d sites after the PAM check, same as ours: %s"
                 % (wall, cpu, len(theirs), same))
        if not same:
            runs.log("  ours only: %s" % sorted(set(ours3) - set(theirs))[:5])
            runs.log("  bowtie only: %s" % sorted(set(theirs) - set(ours3))[:5])

    big = []
    if not args.no_big:
        stem = "big%dm" % (args.big_letters // 1_000_000)
        bpath = os.path.join(in_dir, stem + ".txt")
        runs.log("generated genome: %s (written once)" % bpath)
        inputs.big_genome(bpath, args.big_letters)
        with open(bpath) as f:
            bgenome = f.read().upper()
        bguides = draw_guides(bgenome, args.guides, 19)
        del bgenome
        bfile = os.path.join(in_dir, stem + "_guides.fa")
        write_guides(bfile, bguides)
        for k in (4, 5):
            cmd = [OURS, "guides", "-g", bpath, "-q", bfile, "--pam", "NGG", "-m", str(k), "-o", res, "-t", "1",
                   "--quiet"]
            wall, kib, cpu = runs.timed(cmd, os.path.join(run_dir, "big_m%d.txt" % k), args.repeat)
            with open(os.path.join(res, "%s_guides_%s_NGG_m%dGuideSites.tsv" % (stem, stem, k))) as f:
                nsites = sum(1 for _ in f) - 1
            big.append((k, wall, cpu, kib, nsites))
            runs.log("%s K %d: %.2f s wall, %.2f s CPU, %d MiB, %d sites" % (stem, k, wall, cpu, kib // 1024, nsites))

    lines = ["| work | K | wall | CPU | peak memory | sites | target |", "|---|---:|---:|---:|---:|---:|---|"]
    for name, k, wall, cpu, kib, nsites in rows:
        target = ""
        if k == 4:
            target = "under 2 s: %s" % ("met" if wall < 2 else "**not met**")
        if k == 3 and bowtie:
            ratio = bowtie[1] / max(cpu, 1e-3)
            target = "10x bowtie (%.2f s CPU): %.1fx, %s" % (bowtie[1], ratio, "met" if ratio >= 10 else "**not met**")
        lines.append("| %s | %d | %.2f s | %.2f s | %d MiB | %s | %s |" % (name, k, wall, cpu, kib // 1024,
                                                                         format(nsites, ","), target))
    if bowtie:
        lines.append("| bowtie -v 3 -a, %d queries of 23 letters, PAM checked after | 3 | %.2f s | %.2f s | %d MiB |"
                     " %s | same sites as ours: %s (ours %d more across the origin) |"
                     % (4 * len(guides), bowtie[0], bowtie[1], bowtie[2] // 1024, format(bowtie[3], ","),
                        "yes" if bowtie[4] else "**no**", bowtie[5]))
    for k, wall, cpu, kib, nsites in big:
        per = wall / args.guides * 1000
        per_gbp = per / (args.big_letters / 1e9)
        target = "%.1f ms per guide, %.0f ms per guide per Gbp (FlashFry %.0f)" % (per, per_gbp, FLASHFRY_MS_PER_GBP)
        if k == 4:
            target += ": 50 ms %s" % ("met" if per <= 50 else "**not met**")
        lines.append("| %d Mbp generated, %d guides | %d | %.2f s | %.2f s | %d MiB | %s | %s |"
                     % (args.big_letters // 1_000_000, args.guides, k, wall, cpu, kib // 1024, format(nsites, ","),
                        target))
    table = "\n".join(lines) + "\n"
    print(table)
    with open(os.path.join(OUT, "guides.md"), "w") as f:
        f.write(table)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
