#include "guides/site_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/iupac.h"

namespace quorvane {

SiteTableShape TableShapeFor(const Pam& pam, int maxGuide, int64_t letters) {
  SiteTableShape s;
  s.pam = pam;
  s.maxGuide = maxGuide;
  // Sites expected: both strands, each letter a PAM with the chance of its
  // letters.
  double expected = 2.0 * static_cast<double>(std::max<int64_t>(letters, 1));
  for (char c : pam.letters) expected *= __builtin_popcount(kIupacSet[static_cast<unsigned char>(c)]) / 4.0;
  int k = static_cast<int>(std::floor(std::log(std::max(expected, 1.0)) / std::log(4.0)));
  k = std::clamp(k, kMinTableKey, std::min(kMaxTableKey, maxGuide / 2));
  s.keyLetters = k;
  s.positionBits = 64 - 1 - 2 * k;
  return s;
}

bool PrepareStretch(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteTableShape& shape,
                    SiteStretch& s) {
  const RefSeq& r = ref.seq(seq);
  const int64_t n = r.length;
  const int P = static_cast<int>(shape.pam.letters.size());
  if (n < kMinGuideLen + P) return false;
  end = std::min(end, r.circular ? n : n - P + 1);
  if (begin >= end) return false;
  const int M = shape.maxGuide;
  const int k2 = 2 * shape.keyLetters;
  const int64_t lo = begin - M, hi = end + P + M;
  const size_t len = static_cast<size_t>(hi - lo);
  const unsigned char* g = reinterpret_cast<const unsigned char*>(ref.letters() + r.offset);
  s.lo = lo;
  s.begin = begin;
  s.end = end;
  s.offset = r.offset;
  s.P = P;
  s.M = M;
  s.k2 = k2;
  // A circular sequence shorter than the longest guide and its PAM has
  // odd sites only: their letters would run into the PAM.
  s.roomy = !r.circular || n >= M + P;
  s.mask = (uint64_t{1} << (2 * k2)) - 1;
  for (int j = 0; j < P; ++j) {
    s.set[j] = kIupacSet[static_cast<unsigned char>(shape.pam.letters[static_cast<size_t>(j)])];
    s.cset[j] = ComplementSet(s.set[j]);
  }
  s.base.resize(len);
  if (lo >= 0 && hi <= n) {
    for (size_t i = 0; i < len; ++i) s.base[i] = kBaseBit[g[lo + static_cast<int64_t>(i)]];
  } else {
    for (size_t i = 0; i < len; ++i) {
      int64_t p = lo + static_cast<int64_t>(i);
      if (r.circular) {
        p %= n;
        if (p < 0) p += n;
      }
      s.base[i] = p >= 0 && p < n ? kBaseBit[g[p]] : 0;
    }
  }
  return true;
}

}  // namespace quorvane
