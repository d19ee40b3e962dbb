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

namespace {

// The letters of a stretch around the anchors, as base sets, codes and
// rolling keys, one entry a letter.
struct Stretch {
  std::vector<uint8_t> base;     // base set, 0 for a letter other than A, C, G, T or one outside a linear sequence
  std::vector<uint8_t> runLeft;  // valid letters in a row ending here (at most 255)
  std::vector<uint8_t> runRight;  // valid letters in a row beginning here
  std::vector<uint64_t> ending;   // the 2k letters ending here, the last one least significant
  std::vector<uint64_t> backward;  // the 2k letters ending here, the last one most significant
};

}  // namespace

void ForEachTableSite(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteTableShape& shape,
                      const std::function<void(const TableSite&)>& take) {
  const RefSeq& r = ref.seq(seq);
  const int64_t n = r.length;
  const int P = static_cast<int>(shape.pam.letters.size());
  if (n < kMinGuideLen + P) return;
  end = std::min(end, r.circular ? n : n - P + 1);
  if (begin >= end) return;
  const int M = shape.maxGuide;
  const int k2 = 2 * shape.keyLetters;
  const int64_t lo = begin - M, hi = end + P + M;
  const size_t len = static_cast<size_t>(hi - lo);
  const unsigned char* g = reinterpret_cast<const unsigned char*>(ref.letters() + r.offset);

  thread_local Stretch s;
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
  s.runLeft.resize(len);
  s.runRight.resize(len);
  s.ending.resize(len);
  s.backward.resize(len);
  const uint64_t mask = k2 == 32 ? ~uint64_t{0} : (uint64_t{1} << (2 * k2)) - 1;
  const int top = 2 * (k2 - 1);
  uint64_t fwd = 0, back = 0;
  int run = 0;
  for (size_t i = 0; i < len; ++i) {
    const uint8_t b = s.base[i];
    const uint64_t code = b == 0 ? 0 : static_cast<uint64_t>(__builtin_ctz(b));
    run = b == 0 ? 0 : std::min(run + 1, 255);
    s.runLeft[i] = static_cast<uint8_t>(run);
    fwd = ((fwd << 2) | code) & mask;
    back = (back >> 2) | code << top;
    s.ending[i] = fwd;
    s.backward[i] = back;
  }
  run = 0;
  for (size_t i = len; i-- > 0;) {
    run = s.base[i] == 0 ? 0 : std::min(run + 1, 255);
    s.runRight[i] = static_cast<uint8_t>(run);
  }

  uint8_t set[kMaxPamLen], cset[kMaxPamLen];
  for (int j = 0; j < P; ++j) {
    set[j] = kIupacSet[static_cast<unsigned char>(shape.pam.letters[static_cast<size_t>(j)])];
    cset[j] = ComplementSet(set[j]);
  }
  // A circular sequence shorter than the longest guide and its PAM has
  // odd sites only: their letters would run into the PAM.
  const bool roomy = !r.circular || n >= M + P;
  const int half = shape.keyLetters * 2;
  const uint64_t farMask = (uint64_t{1} << half) - 1;
  TableSite site;
  for (int64_t a = begin; a < end; ++a) {
    const size_t ia = static_cast<size_t>(a - lo);
    for (int c = 0; c < 2; ++c) {
      const bool compl_ = c == 1;
      bool pam = true;
      for (int j = 0; j < P && pam; ++j) {
        pam = compl_ ? (s.base[ia + static_cast<size_t>(P - 1 - j)] & cset[j]) != 0 : (s.base[ia + static_cast<size_t>(j)] & set[j]) != 0;
      }
      if (!pam) continue;
      site.anchor = static_cast<uint64_t>(r.offset + a);
      site.compl_ = compl_;
      uint64_t key;
      if (RunsLeft(shape.pam.fivePrime, compl_)) {
        site.regular = roomy && s.runLeft[ia - 1] >= M;
        key = s.backward[ia - 1];
      } else {
        const size_t first = ia + static_cast<size_t>(P);
        site.regular = roomy && s.runRight[first] >= M;
        key = s.ending[first + static_cast<size_t>(k2) - 1];
      }
      if (compl_) key ^= mask;
      site.nearKey = site.regular ? static_cast<uint32_t>(key >> half) : 0;
      site.farKey = site.regular ? static_cast<uint32_t>(key & farMask) : 0;
      take(site);
    }
  }
}

}  // namespace quorvane
