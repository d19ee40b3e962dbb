#include "guides/guide_plan.h"

#include <algorithm>

#include "common/iupac.h"

namespace quorvane {
namespace {

// A key lookup costs about as much as comparing this many entries.
constexpr double kKeyCost = 16;

}  // namespace

void MisTable::Build(const uint8_t* sets, int k, int used) {
  // Letters of one base each: the key's letters compared with theirs by
  // XOR and a popcount, without a table.
  plain_ = true;
  code_ = 0;
  used_ = 0;
  for (int j = 0; j < k; ++j) {
    if (j >= used) continue;
    const int shift = 2 * (k - 1 - j);
    used_ |= uint32_t{1} << shift;
    if (__builtin_popcount(sets[j]) != 1) plain_ = false;
    code_ |= static_cast<uint32_t>(__builtin_ctz(sets[j] | 16)) % 4 << shift;
  }
  if (plain_) return;
  lo_ = k / 2;
  const int hiLetters = k - lo_;
  hi_.assign(size_t{1} << (2 * hiLetters), 0);
  low_.assign(size_t{1} << (2 * lo_), 0);
  // A key of j letters costs what its first j - 1 letters cost, and its
  // last letter's mismatch.
  auto fill = [&](std::vector<uint8_t>& t, int letters, int first) {
    t[0] = 0;
    size_t n = 1;
    for (int j = 0; j < letters; ++j) {
      const int pos = first + j;
      for (size_t v = n; v-- > 0;) {
        for (unsigned code = 4; code-- > 0;) {
          const bool miss = pos < used && (sets[pos] & (1u << code)) == 0;
          t[v * 4 + code] = static_cast<uint8_t>(t[v] + (miss ? 1 : 0));
        }
      }
      n *= 4;
    }
  };
  fill(hi_, hiLetters, 0);
  fill(low_, lo_, hiLetters);
  loMask_ = (uint32_t{1} << (2 * lo_)) - 1;
}

double KeysWithin(const uint8_t* sets, int n, int t) {
  if (t < 0) return 0;
  std::vector<double> count(static_cast<size_t>(t) + 1, 0);
  count[0] = 1;
  for (int i = 0; i < n; ++i) {
    const int match = __builtin_popcount(sets[i]);
    for (int j = t; j >= 0; --j) count[static_cast<size_t>(j)] = count[static_cast<size_t>(j)] * match +
                                                                  (j > 0 ? count[static_cast<size_t>(j - 1)] * (4 - match) : 0);
  }
  double sum = 0;
  for (double c : count) sum += c;
  return sum;
}

void ListKeys(const uint8_t* sets, int n, int t, std::vector<std::pair<uint32_t, int>>& out) {
  out.clear();
  if (t < 0) return;
  struct Walk {
    const uint8_t* sets;
    int n, t;
    std::vector<std::pair<uint32_t, int>>& out;
    void Go(int i, uint32_t key, int mis) {
      if (i == n) {
        out.emplace_back(key, mis);
        return;
      }
      for (unsigned code = 0; code < 4; ++code) {
        const int m = mis + ((sets[i] & (1u << code)) == 0 ? 1 : 0);
        if (m <= t) Go(i + 1, key << 2 | code, m);
      }
    }
  };
  Walk{sets, n, t, out}.Go(0, 0, 0);
}

GuidePlan PlanGuide(const SiteTableView& t, const Guide& g, uint32_t index, int mis) {
  GuidePlan p;
  const SiteTableShape& sh = t.shape;
  const int k = sh.keyLetters;
  p.index = index;
  p.length = static_cast<int>(g.letters.size());
  for (int i = 0; i < p.length; ++i) {
    const size_t at = static_cast<size_t>(sh.pam.fivePrime ? i : p.length - 1 - i);
    p.sets[i] = kIupacSet[static_cast<unsigned char>(g.letters[at])];
  }
  p.farLetters = std::min(p.length - k, k);
  p.nearMis.Build(p.sets, k, k);
  p.farMis.Build(p.sets + k, k, p.farLetters);
  // The cheapest split of the mismatches between the two lookups, against
  // comparing every site.
  const double sites = static_cast<double>(t.sites);
  const double perNear = sites / static_cast<double>(sh.keys()) + kKeyCost;
  const double perFar = sites / static_cast<double>(uint64_t{1} << (2 * p.farLetters)) + kKeyCost;
  double best = sites + static_cast<double>(sh.keys());
  p.everySite = true;
  for (int tn = -1; tn <= mis; ++tn) {
    const int tf = mis - 1 - tn;
    const double cost = KeysWithin(p.sets, k, tn) * perNear + KeysWithin(p.sets + k, p.farLetters, tf) * perFar;
    if (cost < best) {
      best = cost;
      p.tNear = tn;
      p.tFar = tf;
      p.everySite = false;
    }
  }
  return p;
}

}  // namespace quorvane
