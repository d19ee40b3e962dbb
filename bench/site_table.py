"""The PAM site table rows: guides answered from a saved index that keeps
the genome's NGG sites, against the scan of the genome.

  - the generated genome of bench/huge.sh (2,500,000,000 letters in 25
    sequences), its saved index made with and without `--pam NGG` (the
    difference is the table's build), the table's bytes per letter;
  - 1 guide and 1,000 guides of 20 letters drawn before NGG sites, K 5,
    one thread, from that index (whole process, CPU = user + system; page
    cache warm: the fastest of --repeat runs);
  - E. coli (../shared/data/ecoli.txt): 1,000 guides at K 4 from its index
    with the table, beyond the process's start (a run of --version), and
    the same guides scanned, whose files must be identical.

    bench/site_table.sh                                   # every row
    bench/site_table.sh --letters 200000000 --seqs 5      # a quick one
"""

import argparse
import json
import os
import subprocess
import sys

import guides

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ECOLI = os.path.join(ROOT, "..", "shared", "data", "ecoli.txt")


def timed(cmd, log):
    """Runs cmd under /usr/bin/time: wall seconds, CPU seconds, peak KiB."""
    with open(log, "w") as out:
        p = subprocess.run(["/usr/bin/time", "-f", "TIME %e %U %S %M"] + cmd, stdout=out, stderr=subprocess.PIPE,
                           text=True)
    line = [l for l in p.stderr.splitlines() if l.startswith("TIME ")]
    if p.returncode != 0 or not line:
        sys.exit("failed (%d): %s\n%s" % (p.returncode, " ".join(cmd), p.stderr))
    _, wall, user, system, kib = line[-1].split()
    return float(wall), float(user) + float(system), int(kib)


def fastest(cmd, log, repeat):
    best = None
    for _ in range(repeat):
        r = timed(cmd, log)
        if best is None or r[1] < best[1]:
            best = r
    return best


def read_letters(path):
    """The letters of a FASTA or plain file, upper case, one string per
    sequence."""
    seqs, cur = [], []
    with open(path) as f:
        for line in f:
            if line.startswith(">"):
                if cur:
                    seqs.append("".join(cur).upper())
                cur = []
            else:
                cur.append(line.strip())
    if cur:
        seqs.append("".join(cur).upper())
    return seqs


def draw_guides(seqs, count, seed):
    """count protospacers of 20 letters before NGG (or after CCN on the
    other strand), each with its own site, as the guide benchmark draws
    them; the sequences joined by N, which no guide holds."""
    return guides.draw_guides("N".join(seqs), count, seed)


def guide_files(d):
    return {x[x.index("_NGG") + 1:]: open(os.path.join(d, x), "rb").read() for x in sorted(os.listdir(d))}


def run_guides(ours, index, gfile, k, d, log, repeat, extra=()):
    os.makedirs(d, exist_ok=True)
    for x in os.listdir(d):
        os.remove(os.path.join(d, x))
    cmd = [ours, "guides", "-g", index, "-q", gfile, "--pam", "NGG", "-m", str(k), "-o", d, "-t", "1"] + list(extra)
    r = fastest(cmd, log, repeat)
    with open(log) as f:
        search = [l.split("= ", 1)[1].strip() for l in f if l.startswith("pam search")]
    sites = 0
    for x in os.listdir(d):
        if x.endswith("GuideSites.tsv"):
            with open(os.path.join(d, x)) as fh:
                sites = sum(1 for _ in fh) - 1
    return r, sites, search[0] if search else "?"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--letters", type=int, default=2_500_000_000)
    ap.add_argument("--seqs", type=int, default=25)
    ap.add_argument("--threads", type=int, default=2, help="threads that build the index")
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--no-huge", action="store_true", help="the E. coli row only")
    ap.add_argument("--reuse", action="store_true", help="keep the huge index and build figures of an earlier run")
    ap.add_argument("--out", default=os.path.join(HERE, "out"))
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    a = ap.parse_args()
    ours = os.path.join(a.build, "quorvane-map")
    ins = os.path.join(a.out, "inputs")
    runs = os.path.join(a.out, "runs")
    os.makedirs(ins, exist_ok=True)
    os.makedirs(runs, exist_ok=True)
    start = fastest([ours, "--version"], os.path.join(runs, "version.console"), 5)
    rows = ["| work | figure | target |", "|---|---|---|"]

    if not a.no_huge:
        tool = os.path.join(a.build, "bench", "huge_genome")
        stem = "huge%dm" % (a.letters // 1_000_000)
        fasta = os.path.join(ins, stem + ".fa")
        if not os.path.exists(fasta + ".done"):
            print("writing %s" % fasta, flush=True)
            subprocess.run([tool, "genome", fasta, str(a.letters), str(a.seqs)], check=True)
            open(fasta + ".done", "w").close()
        plain = os.path.join(ins, stem + ".qvi")
        table = os.path.join(ins, stem + "_ngg.qvi")
        figures = os.path.join(runs, stem + "_build.json")
        if a.reuse and os.path.exists(figures) and os.path.exists(table):
            with open(figures) as f:
                b0, b1, table_bytes = json.load(f)
        else:
            print("making the saved index, without and with the NGG table", flush=True)
            b0 = timed([ours, "index", fasta, "-o", plain, "-t", str(a.threads), "-q"],
                       os.path.join(runs, stem + "_index.console"))
            b1 = timed([ours, "index", fasta, "-o", table, "-t", str(a.threads), "--pam", "NGG"],
                       os.path.join(runs, stem + "_index_ngg.console"))
            table_bytes = os.path.getsize(table) - os.path.getsize(plain)
            os.remove(plain)
            with open(figures, "w") as f:
                json.dump([b0, b1, table_bytes], f)
        gfile1 = os.path.join(ins, stem + "_guide1.fa")
        gfile = os.path.join(ins, stem + "_guides1000.fa")
        if not os.path.exists(gfile):
            print("drawing guides", flush=True)
            seqs = read_letters(fasta)
            drawn = draw_guides(seqs, 1000, 25)
            del seqs
            guides.write_guides(gfile, drawn)
            guides.write_guides(gfile1, drawn[:1])
        print("searching 1 and 1,000 guides at K 5", flush=True)
        (w1, c1, k1), s1, how1 = run_guides(ours, table, gfile1, 5, os.path.join(runs, stem + "_g1"),
                                            os.path.join(runs, stem + "_g1.console"), a.repeat)
        (wk, ck, kk), sk, howk = run_guides(ours, table, gfile, 5, os.path.join(runs, stem + "_g1000"),
                                            os.path.join(runs, stem + "_g1000.console"), a.repeat)
        mark = lambda ok: "met" if ok else "**not met**"
        rows += [
            "| 1 guide of 20 letters + NGG, K 5, from the index of %s letters (%s) | %.2f s CPU, %.2f s wall, "
            "peak %d MiB, %s sites | at most 0.5 s: %s |"
            % (format(a.letters, ","), how1, c1, w1, k1 // 1024, format(s1, ","), mark(c1 <= 0.5)),
            "| 1,000 guides, K 5, the same index (%s) | %.2f s CPU, %.2f s wall, peak %d MiB, %s sites | at most "
            "15 s: %s |" % (howk, ck, wk, kk // 1024, format(sk, ","), mark(ck <= 15)),
            "| building the NGG table, `-t %d` | %.1f s wall (%.1f s with it, %.1f s without), %.2f bytes a letter "
            "(%s bytes), peak %.2f GiB (%.2f without) | at most 3 min, 3 bytes a letter: %s |"
            % (a.threads, b1[0] - b0[0], b1[0], b0[0], table_bytes / a.letters, format(table_bytes, ","),
               b1[2] / 2 ** 20, b0[2] / 2 ** 20, mark(b1[0] - b0[0] <= 180 and table_bytes <= 3 * a.letters)),
        ]

    # E. coli: the table against the scan, same files.
    eplain = os.path.join(ins, "ecoli.qvi")
    etable = os.path.join(ins, "ecoli_ngg.qvi")
    timed([ours, "index", ECOLI, "-o", eplain, "-q"], os.path.join(runs, "ecoli_index.console"))
    timed([ours, "index", ECOLI, "-o", etable, "--pam", "NGG", "-q"], os.path.join(runs, "ecoli_index_ngg.console"))
    egfile = os.path.join(ins, "ecoli_guides1000.fa")
    guides.write_guides(egfile, draw_guides(read_letters(ECOLI), 1000, 26))
    (ew, ec, ek), es, ehow = run_guides(ours, etable, egfile, 4, os.path.join(runs, "ecoli_table"),
                                        os.path.join(runs, "ecoli_table.console"), max(a.repeat, 5))
    (sw, sc, _), ss, show = run_guides(ours, eplain, egfile, 4, os.path.join(runs, "ecoli_scan"),
                                       os.path.join(runs, "ecoli_scan.console"), max(a.repeat, 5))
    same = guide_files(os.path.join(runs, "ecoli_table")) == guide_files(os.path.join(runs, "ecoli_scan"))
    rows.append("| 1,000 guides, K 4, E. coli index with the table | %.3f s CPU beyond the start (%.3f s, start "
                "%.3f s; the scan: %.3f s), %s sites, files %s the scan's | at most 0.05 s: %s |"
                % (ec - start[1], ec, start[1], sc, format(es, ","), "equal to" if same else "**differing from**",
                   "met" if ec - start[1] <= 0.05 and same else "**not met**"))
    print("\n".join(rows))


if __name__ == "__main__":
    main()
