// The tools of the huge-genome row, where Python would take hours:
//
//   huge_genome genome OUT.fa LETTERS SEQUENCES
//       writes a FASTA genome of LETTERS letters in SEQUENCES sequences
//       (every fifth linear), each with families of repeated elements (a
//       third of its letters, copies with 0-15% of their letters changed,
//       on either strand, some from earlier sequences) and tandem repeats,
//       over random sequence; the same arguments give the same genome.
//   huge_genome reads GENOME.fa N LENGTH FROM OUT.txt
//       writes N reads of LENGTH letters drawn from either strand at global
//       letters FROM and beyond, 0-3 letters changed, one per line.
//   huge_genome brute GENOME.fa READS.txt K
//       prints every hit of every read with at most K mismatches, found by
//       scanning both strands of every sequence letter by letter: "read
//       number (1-based), sequence name, signed position, mismatches", the
//       signed position as the result files write it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Seq {
  std::string name;
  std::string letters;
  bool circular = true;
};

char Compl(char c) {
  switch (c) {
    case 'A': return 'T';
    case 'C': return 'G';
    case 'G': return 'C';
    case 'T': return 'A';
    default: return 'N';
  }
}

std::string RevComp(const std::string& s) {
  std::string r(s.rbegin(), s.rend());
  for (char& c : r) c = Compl(c);
  return r;
}

int Genome(const char* out, int64_t letters, int seqs) {
  std::mt19937_64 rng(20261208);
  FILE* f = std::fopen(out, "wb");
  if (f == nullptr) return 1;
  std::vector<std::string> pool;  // elements shared among sequences
  for (int s = 0; s < seqs; ++s) {
    const int64_t len = letters / seqs + (s < letters % seqs ? 1 : 0);
    std::string g(static_cast<size_t>(len), 'A');
    for (int64_t i = 0; i < len; i += 32) {
      uint64_t v = rng();
      for (int64_t k = i; k < std::min(len, i + 32); ++k, v >>= 2) g[k] = "ACGT"[v & 3];
    }
    int64_t repeated = 0;
    while (repeated < len / 3) {
      std::string element;
      if (!pool.empty() && rng() % 4 == 0) {
        element = pool[rng() % pool.size()];
      } else {
        const int64_t size = 300 + static_cast<int64_t>(rng() % 5700);
        element = g.substr(rng() % static_cast<uint64_t>(len - size), size);
        if (pool.size() < 64) pool.push_back(element);
      }
      const int copies = 20 + static_cast<int>(rng() % 281);
      const double changed = static_cast<double>(rng() % 1000) / 1000 * 0.15;
      for (int c = 0; c < copies; ++c) {
        std::string copy = element;
        const int n = static_cast<int>(copy.size() * changed);
        for (int i = 0; i < n; ++i) copy[rng() % copy.size()] = "ACGT"[rng() & 3];
        if (rng() & 1) copy = RevComp(copy);
        const int64_t at = static_cast<int64_t>(rng() % static_cast<uint64_t>(len - copy.size()));
        std::memcpy(&g[at], copy.data(), copy.size());
        repeated += static_cast<int64_t>(copy.size());
      }
    }
    for (int64_t t = 0; t < len / 50000; ++t) {
      std::string unit;
      for (int k = 1 + static_cast<int>(rng() % 6); k > 0; --k) unit.push_back("ACGT"[rng() & 3]);
      const int64_t n = 20 + static_cast<int64_t>(rng() % 181);
      const int64_t at = static_cast<int64_t>(rng() % static_cast<uint64_t>(len - n));
      for (int64_t i = 0; i < n; ++i) g[at + i] = unit[i % unit.size()];
    }
    std::fprintf(f, ">chr%d%s\n", s + 1, s % 5 == 4 ? " topology=linear" : "");
    for (int64_t i = 0; i < len; i += 80) {
      std::fwrite(g.data() + i, 1, static_cast<size_t>(std::min<int64_t>(80, len - i)), f);
      std::fputc('\n', f);
    }
  }
  return std::fclose(f) == 0 ? 0 : 1;
}

std::vector<Seq> LoadFasta(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<Seq> seqs;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '>') {
      Seq s;
      const size_t sp = line.find(' ');
      s.name = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
      s.circular = line.find("topology=linear") == std::string::npos;
      seqs.push_back(std::move(s));
    } else if (!seqs.empty()) {
      seqs.back().letters += line;
    }
  }
  return seqs;
}

int Reads(const char* genome, int n, int length, int64_t from, const char* out) {
  const std::vector<Seq> seqs = LoadFasta(genome);
  std::mt19937_64 rng(7);
  std::ofstream f(out);
  int made = 0;
  int64_t offset = 0;
  std::vector<std::pair<const Seq*, int64_t>> at;  // sequences that reach past from, and their offsets
  for (const Seq& s : seqs) {
    if (offset + static_cast<int64_t>(s.letters.size()) > from) at.emplace_back(&s, offset);
    offset += static_cast<int64_t>(s.letters.size());
  }
  while (made < n && !at.empty()) {
    const auto& [s, off] = at[rng() % at.size()];
    const int64_t lo = std::max<int64_t>(0, from - off), hi = static_cast<int64_t>(s->letters.size()) - length;
    if (hi <= lo) continue;
    std::string r = s->letters.substr(static_cast<size_t>(lo + static_cast<int64_t>(rng() % (hi - lo))), length);
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) r[rng() % r.size()] = "ACGT"[rng() & 3];
    if (rng() & 1) r = RevComp(r);
    f << r << '\n';
    ++made;
  }
  return f.good() ? 0 : 1;
}

int Brute(const char* genome, const char* readsPath, int k) {
  const std::vector<Seq> seqs = LoadFasta(genome);
  std::vector<std::string> reads;
  std::ifstream in(readsPath);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) reads.push_back(line);
  }
  struct Found {
    size_t read;
    size_t seq;
    int64_t pos;
    int mis;
  };
  std::vector<std::vector<Found>> found(reads.size());
  // Each read on its own thread share: the direct strand's letters against
  // the read, then against its reverse complement.
  auto scan = [&](size_t r) {
    const std::string& rd = reads[r];
    const std::string rc = RevComp(rd);
    const int64_t len = static_cast<int64_t>(rd.size());
    for (size_t si = 0; si < seqs.size(); ++si) {
      const Seq& s = seqs[si];
      const int64_t L = static_cast<int64_t>(s.letters.size());
      const char* g = s.letters.data();
      const int64_t last = s.circular ? L : L - len + 1;
      for (int strand = 0; strand < 2; ++strand) {
        const std::string& pat = strand == 0 ? rd : rc;
        const char* q = pat.data();
        for (int64_t p = 0; p < last; ++p) {
          int d = 0;
          if (p + len <= L) {
            // The pattern holds only A, C, G, T: a letter that differs is a
            // mismatch, whatever it is.
            const char* w = g + p;
            for (int64_t j = 0; j < len && d <= k; ++j) d += w[j] != q[j];
          } else {
            for (int64_t j = 0; j < len && d <= k; ++j) d += g[(p + j) % L] != q[j];
          }
          if (d > k) continue;
          // The signed position: the read's first letter on the direct
          // strand, or minus the direct letter paired with it.
          const int64_t pos = strand == 0 ? p + 1 : -(((p + len - 1) % L) + 1);
          found[r].push_back({r, si, pos, d});
        }
      }
    }
  };
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      for (size_t r = t; r < reads.size(); r += threads) scan(r);
    });
  }
  for (std::thread& th : pool) th.join();
  for (const auto& list : found) {
    for (const Found& f : list) {
      std::printf("%zu\t%s\t%+lld\t%d\n", f.read + 1, seqs[f.seq].name.c_str(), static_cast<long long>(f.pos), f.mis);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "genome" && argc == 5) return Genome(argv[2], std::atoll(argv[3]), std::atoi(argv[4]));
  if (cmd == "reads" && argc == 7) {
    return Reads(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoll(argv[5]), argv[6]);
  }
  if (cmd == "brute" && argc == 5) return Brute(argv[2], argv[3], std::atoi(argv[4]));
  std::fprintf(stderr, "usage: huge_genome genome OUT.fa LETTERS SEQS | reads GENOME.fa N LEN FROM OUT | brute GENOME.fa READS K\n");
  return 2;
}
