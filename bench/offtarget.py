"""The off-target benchmark of the guide search: bulges and the sites past
memory, each command on one thread, timed whole (CPU = user + system, the
fastest of --repeat runs), with the targets:

1. 40 guides of 20 letters drawn from E. coli's NGG sites, K 3, one DNA and
   one RNA bulge, E. coli read as linear: the CPU seconds, set against
   Cas-OFFinder's (given with --cas-offinder-cpu when it was measured
   elsewhere: Debian 12 has no package of it);
2. 1,000 guides drawn from the generated genome of 100 Mbp, K 4, one bulge
   of each kind: at most 0.5 s CPU a guide;
3. 5 guides of 20 N with NGG, K 0, on the same genome: every PAM site, about
   62 million sites, through sorted runs on disk: a peak under 512 MiB plus
   the genome, and as many sites per guide as PAM sites.

The table goes to standard output and to bench/out/offtarget.md."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guides  # noqa: E402
import inputs  # noqa: E402
import runs  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
OURS = os.path.join(ROOT, "build", "quorvane-map")
ECOLI = os.path.join(ROOT, "..", "shared", "data", "ecoli.txt")
MIB = 1024


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--repeat", type=int, default=3, help="keep the fastest of this many runs of the short commands")
    p.add_argument("--big-guides", type=int, default=1000, help="guides of the 100 Mbp bulge row (1000)")
    p.add_argument("--no-big", action="store_true", help="leave the 100 Mbp rows out")
    p.add_argument("--no-every-site", action="store_true", help="leave the row of every PAM site out")
    p.add_argument("--big-letters", type=int, default=100_000_000, help="letters of the generated genome")
    p.add_argument("--cas-offinder-cpu", type=float, default=None,
                   help="Cas-OFFinder's CPU seconds on row 1, measured elsewhere")
    return p.parse_args()


def count_rows(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f) - 1


def report_value(path, key):
    with open(path) as f:
        for line in f:
            if line.startswith(key + " = "):
                return int(line.split(" = ")[1])
    raise SystemExit("no %s in %s" % (key, path))


def main():
    args = parse_args()
    in_dir = os.path.join(OUT, "inputs")
    run_dir = os.path.join(OUT, "offtarget")
    res = os.path.join(run_dir, "res")
    os.makedirs(in_dir, exist_ok=True)
    os.makedirs(res, exist_ok=True)
    lines = ["| work | CPU | wall | peak memory | sites | target |", "|---|---:|---:|---:|---:|---|"]
    failed = False

    if not os.path.exists(ECOLI):
        raise SystemExit("missing %s" % ECOLI)
    gpath, genome = inputs.load_genome(ECOLI, in_dir)
    gfile = os.path.join(in_dir, "ecoli_guides40.fa")
    guides.write_guides(gfile, guides.draw_guides(genome, 40, 24))
    cmd = [OURS, "guides", "-g", gpath, "--linear", "-q", gfile, "--pam", "NGG", "-m", "3", "--dna-bulge", "1",
           "--rna-bulge", "1", "-o", res, "-t", "1", "--quiet"]
    wall, kib, cpu = runs.timed(cmd, os.path.join(run_dir, "ecoli.txt"), args.repeat)
    n = count_rows(os.path.join(res, "ecoli_guides40_ecoli_NGG_m3_d1_r1GuideSites.tsv"))
    runs.log("E. coli, 40 guides, K 3, bulges 1+1: %.2f s CPU, %.2f s wall, %d sites" % (cpu, wall, n))
    if args.cas_offinder_cpu:
        ratio = args.cas_offinder_cpu / max(cpu, 1e-3)
        target = "1/20 of Cas-OFFinder's %.1f s: %.1fx, %s" % (args.cas_offinder_cpu, ratio,
                                                                 "met" if ratio >= 20 else "**not met**")
    else:
        target = "1/20 of Cas-OFFinder: not measured here (no Debian package)"
    lines.append("| E. coli (linear), 40 guides, K 3, DNA and RNA bulges of 1 | %.2f s | %.2f s | %d MiB | %s | %s |"
                 % (cpu, wall, kib // MIB, format(n, ","), target))

    if not args.no_big:
        stem = "big%dm" % (args.big_letters // 1_000_000)
        bpath = os.path.join(in_dir, stem + ".txt")
        runs.log("generated genome: %s (written once)" % bpath)
        inputs.big_genome(bpath, args.big_letters)
        with open(bpath) as f:
            bgenome = f.read().upper()
        bfile = os.path.join(in_dir, "%s_guides%d.fa" % (stem, args.big_guides))
        guides.write_guides(bfile, guides.draw_guides(bgenome, args.big_guides, 19))
        del bgenome
        cmd = [OURS, "guides", "-g", bpath, "-q", bfile, "--pam", "NGG", "-m", "4", "--dna-bulge", "1",
               "--rna-bulge", "1", "-o", res, "-t", "1", "--quiet"]
        wall, kib, cpu = runs.timed(cmd, os.path.join(run_dir, "big_bulges.txt"), 1)
        n = count_rows(os.path.join(res, "%s_guides%d_%s_NGG_m4_d1_r1GuideSites.tsv" % (stem, args.big_guides, stem)))
        per = cpu / args.big_guides
        failed |= per > 0.5
        runs.log("%s, %d guides, K 4, bulges 1+1: %.1f s CPU, %.3f s a guide" % (stem, args.big_guides, cpu, per))
        lines.append("| %d Mbp generated, %d guides, K 4, DNA and RNA bulges of 1 | %.1f s | %.1f s | %d MiB | %s |"
                     " at most 0.5 s a guide: %.3f s, %s |"
                     % (args.big_letters // 1_000_000, args.big_guides, cpu, wall, kib // MIB, format(n, ","), per,
                        "met" if per <= 0.5 else "**not met**"))

        if not args.no_every_site:
            nfile = os.path.join(in_dir, "n20x5.fa")
            with open(nfile, "w") as f:
                for k in range(5):
                    f.write(">n%d\n%s\n" % (k + 1, "N" * 20))
            log = os.path.join(run_dir, "every_site.txt")
            cmd = [OURS, "guides", "-g", bpath, "-q", nfile, "--pam", "NGG", "-m", "0", "-o", res, "-t", "1"]
            wall, kib, cpu = runs.timed(cmd, log, 1)
            sites = report_value(log, "sites")
            pam_sites = report_value(log, "pam sites")
            sites_path = os.path.join(res, "n20x5_%s_NGG_m0GuideSites.tsv" % stem)
            rows = count_rows(sites_path)
            os.remove(sites_path)  # 3 GB
            genome_mib = args.big_letters / (1024 * 1024)
            ok = kib / MIB < 512 + genome_mib and sites == 5 * pam_sites and rows == sites
            failed |= not ok
            runs.log("every PAM site: %.1f s CPU, %d MiB, %d sites, %d PAM sites" % (cpu, kib // MIB, sites, pam_sites))
            lines.append("| %d Mbp generated, 5 guides of 20 N, K 0 (every PAM site) | %.1f s | %.1f s | %d MiB | %s |"
                         " under 512 MiB + genome (%d MiB): %s; %s PAM sites a guide, %s |"
                         % (args.big_letters // 1_000_000, cpu, wall, kib // MIB, format(sites, ","),
                            512 + genome_mib, "met" if kib / MIB < 512 + genome_mib else "**not met**",
                            format(pam_sites, ","), "equal" if sites == 5 * pam_sites and rows == sites
                            else "**not equal**"))

    table = "\n".join(lines) + "\n"
    print(table)
    with open(os.path.join(OUT, "offtarget.md"), "w") as f:
        f.write(table)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
