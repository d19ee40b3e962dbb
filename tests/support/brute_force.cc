#include "brute_force.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "common/nucleotide.h"
#include "test_util.h"

namespace quorvane::test {
namespace {

struct Found {
  unsigned code;  // seed code of the strand's 8 letters at the hit
  int strand;     // 0 direct, 1 complementary
  int seq;
  int p;  // 0-based start on that strand
  int mis;
};

}  // namespace

Reference MakeReference(const std::vector<Seq>& seqs) {
  Reference ref;
  for (const Seq& s : seqs) {
    if (!ref.AddSequence(s.name, s.letters, s.circular).ok()) throw std::runtime_error("no reference");
  }
  return ref;
}

std::vector<Hit> BruteForceHits(const std::vector<Seq>& genome, const std::string& read, int misNu) {
  std::vector<Found> found;
  const int n = static_cast<int>(read.size());
  for (int s = 0; s < 2; ++s) {
    for (size_t i = 0; i < genome.size(); ++i) {
      const std::string sq = s == 0 ? genome[i].letters : ReverseComplement(genome[i].letters);
      const int len = static_cast<int>(sq.size());
      for (int p = 0; p < len; ++p) {
        if (!genome[i].circular && p + n > len) continue;
        int mis = 0;
        for (int j = 0; j < n && mis <= misNu; ++j) {
          const uint8_t r = CodeOf(read[j]), g = CodeOf(sq[(p + j) % len]);
          mis += r == kNoCode || g == kNoCode || r != g;
        }
        if (mis > misNu) continue;
        unsigned code = 0;
        for (int k = 0; k < 8; ++k) code = code * 4 + SeedCodeOfLetter(sq[(p + k) % len]);
        found.push_back({code, s, static_cast<int>(i), p, mis});
      }
    }
  }
  std::stable_sort(found.begin(), found.end(), [misNu](const Found& a, const Found& b) {
    if (misNu == 0) return std::tie(a.strand, a.seq, a.p) < std::tie(b.strand, b.seq, b.p);
    return std::tie(a.code, a.strand, a.seq, a.p) < std::tie(b.code, b.strand, b.seq, b.p);
  });
  std::vector<Hit> out;
  for (const Found& f : found) {
    out.push_back({static_cast<uint32_t>(f.seq), f.p, f.strand == 0 ? Strand::kDirect : Strand::kCompl,
                   static_cast<int8_t>(f.mis)});
  }
  return out;
}

std::vector<Hit> BruteForceHits(const std::string& genome, const std::string& read, int misNu) {
  return BruteForceHits(std::vector<Seq>{{"g", genome, true}}, read, misNu);
}

std::vector<std::pair<int, int>> PosMis(const std::vector<Hit>& hits, int len) {
  std::vector<std::pair<int, int>> v;
  for (const Hit& h : hits) v.emplace_back(HitPos(h, len), h.mis);
  return v;
}

}  // namespace quorvane::test
