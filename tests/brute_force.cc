#include "brute_force.h"

#include <algorithm>
#include <tuple>

#include "common/nucleotide.h"
#include "test_util.h"

namespace quorvane::test {
namespace {

struct Hit {
  unsigned code;  // seed code of the strand's 8 letters at the hit
  int strand;     // 0 direct, 1 complementary
  int p;          // 0-based start on that strand
  int mis;
};

}  // namespace

std::vector<MisMatch> BruteForceHits(const std::string& genome, const std::string& read, int misNu) {
  const int g = static_cast<int>(genome.size());
  std::vector<MisMatch> out;
  if (g == 0) return out;
  const std::string strands[2] = {genome, ReverseComplement(genome)};
  std::vector<Hit> hits;
  for (int s = 0; s < 2; ++s) {
    const std::string& sq = strands[s];
    for (int p = 0; p < g; ++p) {
      int mis = 0;
      for (size_t i = 0; i < read.size() && mis <= misNu; ++i) {
        const uint8_t rc = CodeOf(read[i]);
        if (rc == kNoCode || rc != CodeOf(sq[(p + i) % g])) ++mis;
      }
      if (mis > misNu) continue;
      unsigned code = 0;
      for (int i = 0; i < 8; ++i) code = code * 4 + CodeOf(sq[(p + i) % g]);
      hits.push_back({code, s, p, mis});
    }
  }
  std::stable_sort(hits.begin(), hits.end(), [misNu](const Hit& a, const Hit& b) {
    if (misNu == 0) return std::tie(a.strand, a.p) < std::tie(b.strand, b.p);
    return std::tie(a.code, a.strand, a.p) < std::tie(b.code, b.strand, b.p);
  });
  for (const Hit& h : hits) {
    out.push_back({h.strand == 0 ? h.p + 1 : h.p - g, static_cast<int8_t>(h.mis)});
  }
  return out;
}

}  // namespace quorvane::test
