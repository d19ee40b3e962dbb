#include "pair_oracle.h"

#include <algorithm>

#include "engine/read_codes.h"
#include "test_util.h"
#include "writers/pair_text_sink.h"

namespace quorvane::test {
namespace {

// The leftmost direct-strand letter a hit covers, within its sequence.
int64_t Leftmost(const Hit& h, int64_t seqLen, int64_t readLen) {
  if (h.strand == Strand::kDirect) return h.start;
  return ((seqLen - h.start - readLen) % seqLen + seqLen) % seqLen;
}

// Whether the upstream hit's strand and the downstream one's fit the
// orientation, with mate `up` (0 or 1) upstream.
bool StrandsFit(Orientation o, int up, Strand su, Strand sd) {
  const Strand D = Strand::kDirect, C = Strand::kCompl;
  switch (o) {
    case Orientation::kFr:
      return su == D && sd == C;
    case Orientation::kRf:
      return su == C && sd == D;
    case Orientation::kFf:
      return up == 0 ? su == D && sd == D : su == C && sd == C;
  }
  return false;
}

// Whether both mates are of a length that is searched.
bool Searched(const DrawnPair& p) {
  auto searched = [](const std::string& m) {
    return static_cast<int64_t>(m.size()) >= kMinRdLen && static_cast<int64_t>(m.size()) <= kMaxRdLen;
  };
  return searched(p.mate1) && searched(p.mate2);
}

char Mutate(std::mt19937& rng, char c) {
  const std::string others = std::string("ACGT").erase(std::string("ACGT").find(c), 1);
  return others[std::uniform_int_distribution<int>(0, 2)(rng)];
}

}  // namespace

std::vector<OraclePlacement> OraclePlacements(const std::vector<Seq>& genome, const std::string& mate1,
                                              const std::string& mate2, int misNu, const PairRule& rule) {
  return OraclePairing(genome, BruteForceHits(genome, mate1, misNu), static_cast<int64_t>(mate1.size()),
                       BruteForceHits(genome, mate2, misNu), static_cast<int64_t>(mate2.size()), rule);
}

std::vector<OraclePlacement> OraclePairing(const std::vector<Seq>& genome, const std::vector<Hit>& hits1,
                                           int64_t len1, const std::vector<Hit>& hits2, int64_t len2,
                                           const PairRule& rule) {
  const std::vector<Hit>* hits[2] = {&hits1, &hits2};
  const int64_t len[2] = {len1, len2};
  std::vector<OraclePlacement> out;
  for (const Hit& h1 : *hits[0]) {
    for (const Hit& h2 : *hits[1]) {
      if (h1.seq != h2.seq) continue;
      const Seq& s = genome[h1.seq];
      const int64_t L = static_cast<int64_t>(s.letters.size());
      const Hit* h[2] = {&h1, &h2};
      for (int up = 0; up < 2; ++up) {
        const Hit& u = *h[up];
        const Hit& d = *h[1 - up];
        if (!StrandsFit(rule.orientation, up, u.strand, d.strand)) continue;
        const int64_t a = Leftmost(u, L, len[up]);
        const int64_t b = Leftmost(d, L, len[1 - up]);
        int64_t dist = b - a;
        if (s.circular) {
          dist = ((dist % L) + L) % L;
        } else if (dist < 0) {
          continue;
        }
        const int64_t F = dist + len[1 - up];
        if (F < len[up] || F < rule.minFrag || F > rule.maxFrag) continue;
        OraclePlacement p;
        p.seq = static_cast<int>(h1.seq);
        p.pos1 = HitPos(h1, L);
        p.pos2 = HitPos(h2, L);
        p.mis1 = h1.mis;
        p.mis2 = h2.mis;
        p.fragment = F;
        p.start = a;
        p.upstream = up;
        out.push_back(p);
      }
    }
  }
  std::sort(out.begin(), out.end(), [](const OraclePlacement& x, const OraclePlacement& y) {
    return std::make_tuple(x.mis1 + x.mis2, x.mis1, x.seq, x.start, x.upstream, x.fragment) <
           std::make_tuple(y.mis1 + y.mis2, y.mis1, y.seq, y.start, y.upstream, y.fragment);
  });
  return out;
}

DrawnPair DrawPair(std::mt19937& rng, const std::vector<Seq>& genome, Orientation o, int len1, int len2,
                   int fragLen, int subs) {
  std::uniform_int_distribution<size_t> pickSeq(0, genome.size() - 1);
  const Seq& s = genome[pickSeq(rng)];
  const int L = static_cast<int>(s.letters.size());
  const int span = s.circular ? L - 1 : std::max(0, L - fragLen);
  const int start = std::uniform_int_distribution<int>(0, span)(rng);
  std::string frag;
  for (int i = 0; i < fragLen; ++i) frag.push_back(s.letters[(start + i) % L]);
  const bool fromCompl = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
  // The fragment as read from its strand: its first letters are the
  // upstream mate's on that strand.
  const std::string read = fromCompl ? ReverseComplement(frag) : frag;
  const std::string head = read.substr(0, static_cast<size_t>(len1));
  const std::string tail = ReverseComplement(read.substr(read.size() - static_cast<size_t>(len2)));
  DrawnPair p;
  switch (o) {
    case Orientation::kFr:
      p = {head, tail};
      break;
    case Orientation::kRf:
      p = {ReverseComplement(head), ReverseComplement(tail)};
      break;
    case Orientation::kFf:
      p = {head, ReverseComplement(tail)};
      break;
  }
  for (std::string* m : {&p.mate1, &p.mate2}) {
    const int n = std::uniform_int_distribution<int>(0, subs)(rng);
    for (int i = 0; i < n; ++i) {
      char& c = (*m)[std::uniform_int_distribution<size_t>(0, m->size() - 1)(rng)];
      if (c != 'N') c = Mutate(rng, c);
    }
  }
  return p;
}

std::vector<Seq> RepeatGenome(std::mt19937& rng, int sequences, int length) {
  std::vector<Seq> g;
  for (int i = 0; i < sequences; ++i) {
    g.push_back({"s" + std::to_string(i), RandomLetters(rng, static_cast<size_t>(length)), i % 3 != 2});
  }
  // Stretches of 60 to 250 letters copied, as they are or reverse
  // complemented, into other places of any sequence; some land across a
  // circular origin, where they are written around it.
  std::uniform_int_distribution<int> coin(0, 1);
  for (int r = 0; r < 2 * sequences + 2; ++r) {
    const Seq& from = g[std::uniform_int_distribution<size_t>(0, g.size() - 1)(rng)];
    const int n = std::min(length, std::uniform_int_distribution<int>(60, 250)(rng));
    const int at = std::uniform_int_distribution<int>(0, length - n)(rng);
    std::string piece = from.letters.substr(static_cast<size_t>(at), static_cast<size_t>(n));
    if (coin(rng)) piece = ReverseComplement(piece);
    for (int copy = 0; copy < 2; ++copy) {
      Seq& to = g[std::uniform_int_distribution<size_t>(0, g.size() - 1)(rng)];
      const int L = static_cast<int>(to.letters.size());
      const int where = to.circular ? std::uniform_int_distribution<int>(0, L - 1)(rng)
                                    : std::uniform_int_distribution<int>(0, L - n)(rng);
      for (int i = 0; i < n; ++i) to.letters[static_cast<size_t>((where + i) % L)] = piece[static_cast<size_t>(i)];
    }
  }
  return g;
}

std::string PlacementLine(const std::vector<Seq>& genome, const OraclePlacement& p) {
  auto sign = [](int64_t v) { return (v > 0 ? "+" : "-") + std::to_string(v > 0 ? v : -v); };
  return genome[static_cast<size_t>(p.seq)].name + "\t" + sign(p.pos1) + "\t" + sign(p.pos2) + "\t" +
         std::to_string(p.mis1) + "\t" + std::to_string(p.mis2) + "\t" + std::to_string(p.fragment);
}

std::string GenomeFasta(const std::vector<Seq>& genome) {
  std::string fa;
  for (const Seq& s : genome) {
    fa += ">" + s.name + (s.circular ? " topology=circular\n" : " topology=linear\n");
    for (size_t i = 0; i < s.letters.size(); i += 60) fa += s.letters.substr(i, 60) + "\n";
  }
  return fa;
}

std::string MatesFastq(const std::vector<DrawnPair>& pairs, int mate) {
  std::string fq;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const std::string& m = mate == 0 ? pairs[i].mate1 : pairs[i].mate2;
    fq += "@q" + std::to_string(i + 1) + "/" + std::to_string(mate + 1) + "\n" + m + "\n+\n" +
          std::string(m.size(), 'I') + "\n";
  }
  return fq;
}

PairFiles ExpectedPairFiles(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs, int misNu,
                            const PairRule& rule) {
  std::vector<MateHits> hits(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!Searched(pairs[i])) continue;
    hits[i] = {BruteForceHits(genome, pairs[i].mate1, misNu), BruteForceHits(genome, pairs[i].mate2, misNu)};
  }
  return ExpectedPairFiles(genome, pairs, hits, rule);
}

PairFiles ExpectedPairFiles(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs,
                            const std::vector<MateHits>& hits, const PairRule& rule) {
  PairFiles f;
  f.pos = kPairPosHeader;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const DrawnPair& p = pairs[i];
    if (!Searched(p)) continue;
    const std::string name = "q" + std::to_string(i + 1);
    const std::vector<OraclePlacement> got =
        OraclePairing(genome, hits[i].mate1, static_cast<int64_t>(p.mate1.size()), hits[i].mate2,
                      static_cast<int64_t>(p.mate2.size()), rule);
    if (got.empty()) {
      f.out += name + "\t" + p.mate1 + "\t" + p.mate2 + "\n";
      continue;
    }
    ++f.found;
    f.placements += static_cast<int64_t>(got.size());
    f.in += name + "\t" + p.mate1 + "\t" + p.mate2 + "\t" + std::to_string(got.size()) + "\n";
    for (const OraclePlacement& o : got) f.pos += std::to_string(f.found) + "\t" + name + "\t" + PlacementLine(genome, o) + "\n";
  }
  return f;
}

}  // namespace quorvane::test
