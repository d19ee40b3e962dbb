#include "guides/bulge_search.h"

#include <algorithm>
#include <cstring>

#include "common/iupac.h"
#include "engine/bucket_scan.h"

namespace quorvane {
namespace {

constexpr uint64_t kLowBits = 0x1111111111111111ULL;
// Letters read beside a PAM at most: the longest guide and its DNA bulges.
constexpr int kMaxWindow = kMaxGuideLen + kMaxBulge;

// Shared bases folded to bit 4i of every letter.
inline uint64_t Shared(uint64_t x) {
  x |= x >> 1;
  x |= x >> 2;
  return x & kLowBits;
}

// Bits 0, 4, 8, ... 60 of x gathered into bits 0 .. 15.
inline uint64_t Gather(uint64_t x) {
  x = (x | x >> 3) & 0x0303030303030303ULL;
  x = (x | x >> 6) & 0x000F000F000F000FULL;
  x = (x | x >> 12) & 0x000000FF000000FFULL;
  return (x | x >> 24) & 0xFFFFULL;
}

// Letters of a block of the bound below.
constexpr int kBlock = 4;

// A lower bound on the mismatches of any alignment within lim, from the
// guide letters that mismatch at each shift (miss[s + lim.rna], bit t for
// guide letter t) and those that mismatch at every shift (all). The guide
// is cut into blocks of kBlock letters from the PAM; a block that holds no
// bulge lies at one shift, with that shift's mismatches, and the shifts
// of such blocks follow the bulges spent between them; a block that holds
// a bulge costs at least its letters that mismatch at every shift, less
// its RNA-bulged letters. The fewest mismatches over every such choice,
// a dynamic programme over the blocks and the bulges spent.
int BlockBound(const uint64_t* miss, uint64_t all, int len, const BulgeLimits& lim) {
  constexpr int kInfCost = 1000;
  int cost[kMaxBulge + 1][kMaxBulge + 1], next[kMaxBulge + 1][kMaxBulge + 1];
  for (auto& row : cost) {
    for (int& c : row) c = kInfCost;
  }
  cost[0][0] = 0;
  for (int at = 0; at < len; at += kBlock) {
    const uint64_t mask = ((uint64_t{1} << kBlock) - 1) << at;
    const int anyShift = __builtin_popcountll(all & mask);
    for (auto& row : next) {
      for (int& c : row) c = kInfCost;
    }
    for (int d = 0; d <= lim.dna; ++d) {
      for (int r = 0; r <= lim.rna; ++r) {
        const int c = cost[d][r];
        if (c > lim.mis) continue;
        for (int d2 = d; d2 <= lim.dna; ++d2) {
          for (int r2 = r; r2 <= lim.rna; ++r2) {
            int v = kInfCost;
            if (r2 == r) v = c + __builtin_popcountll(miss[d2 - r2 + lim.rna] & mask);
            if (d2 + r2 > d + r) v = std::min(v, c + std::max(0, anyShift - (r2 - r)));
            next[d2][r2] = std::min(next[d2][r2], v);
          }
        }
      }
    }
    std::memcpy(cost, next, sizeof(cost));
  }
  int best = kInfCost;
  for (const auto& row : cost) {
    for (int c : row) best = std::min(best, c);
  }
  return best;
}

// Letters 16k .. 16k + 15 of bytes as one word, 4 bits each.
inline uint64_t Pack(const uint8_t* bytes) {
  uint64_t v = 0;
  for (int i = 0; i < kLettersPerWord; ++i) v |= uint64_t{bytes[i]} << (4 * i);
  return v;
}

}  // namespace

PamPlace PamOfSite(const Reference& ref, uint32_t seq, int64_t start, Strand strand, int shortLen, const Pam& pam) {
  const int64_t n = ref.seq(seq).length;
  PamPlace p;
  p.seq = seq;
  p.strand = strand;
  // A 3' PAM on the direct strand, or a 5' one on the complementary
  // strand, stands right of its protospacer.
  p.leftward = pam.fivePrime == (strand == Strand::kCompl);
  p.pamStart = p.leftward ? (start + shortLen) % n : start;
  return p;
}

PamPlace PamOfSite(const Reference& ref, const GuideSite& site, int protoLen, const Pam& pam) {
  return PamOfSite(ref, site.seq, site.start, site.strand, protoLen, pam);
}

int LettersFromPam(const Reference& ref, const PamPlace& p, int pamLen, int n, uint8_t* w) {
  const RefSeq& r = ref.seq(p.seq);
  const unsigned char* g = reinterpret_cast<const unsigned char*>(ref.letters() + r.offset);
  const int64_t len = r.length;
  int64_t room;
  if (r.circular) {
    room = len - pamLen;
  } else {
    room = p.leftward ? p.pamStart : len - (p.pamStart + pamLen);
  }
  const int avail = static_cast<int>(std::clamp<int64_t>(room, 0, n));
  const bool compl_ = p.strand == Strand::kCompl;
  for (int u = 0; u < avail; ++u) {
    int64_t at = p.leftward ? p.pamStart - 1 - u : p.pamStart + pamLen + u;
    if (at < 0) at += len;
    if (at >= len) at -= len;
    const uint8_t b = kBaseBit[g[at]];
    w[u] = compl_ ? ComplementSet(b) : b;
  }
  return avail;
}

int64_t SiteStartOf(const Reference& ref, const PamPlace& p, int protoLen, int pamLen) {
  (void)pamLen;
  if (!p.leftward) return p.pamStart;
  const int64_t n = ref.seq(p.seq).length;
  int64_t s = p.pamStart - protoLen;
  if (s < 0) s += n;
  return s;
}

void GuideFromPam(const Guide& g, const Pam& pam, uint8_t* out) {
  const int L = static_cast<int>(g.letters.size());
  for (int t = 0; t < L; ++t) {
    const char c = pam.fivePrime ? g.letters[static_cast<size_t>(t)] : g.letters[static_cast<size_t>(L - 1 - t)];
    out[t] = kIupacSet[static_cast<unsigned char>(c)];
  }
}

BulgeGroup::BulgeGroup(const std::vector<Guide>& guides, std::vector<uint32_t> index, int guideLen, const Pam& pam,
                       const BulgeLimits& lim)
    : len_(guideLen), pam_(pam), lim_(lim), nWords_((guideLen + kLettersPerWord - 1) / kLettersPerWord),
      index_(std::move(index)) {
  letters_.assign(index_.size() * kMaxWindow, 0);
  words_.assign(index_.size() * static_cast<size_t>(nWords_), 0);
  for (size_t i = 0; i < index_.size(); ++i) {
    uint8_t* l = letters_.data() + i * kMaxWindow;
    GuideFromPam(guides[index_[i]], pam_, l);
    uint8_t padded[kMaxWindow + kLettersPerWord] = {};
    std::memcpy(padded, l, static_cast<size_t>(len_));
    for (int k = 0; k < nWords_; ++k) words_[i * static_cast<size_t>(nWords_) + k] = Pack(padded + 16 * k);
  }
}

void BulgeGroup::Compare(const Reference& ref, const SiteBlock& b, uint32_t seq, BulgeScratch& s,
                         std::vector<GuideSite>& out, size_t handOnSites,
                         const std::function<void(std::vector<GuideSite>&)>& handOn) const {
  const size_t n = b.size();
  const int shifts = lim_.rna + lim_.dna + 1;
  const int W = nWords_;
  const size_t perSite = static_cast<size_t>(shifts * W);
  const int want = len_ + lim_.dna;
  const int P = static_cast<int>(pam_.letters.size());
  s.words.resize(n * perSite);
  s.letters.resize(n * kMaxWindow);
  s.avail.resize(n);
  // Each site's letters from the PAM, and, for every shift from -rna to
  // +dna, the letters a guide letter meets at that shift, packed.
  for (size_t i = 0; i < n; ++i) {
    const PamPlace p = PamOfSite(ref, seq, b.start[i], b.strand[i], shortLen(), pam_);
    uint8_t* l = s.letters.data() + i * kMaxWindow;
    const int avail = LettersFromPam(ref, p, P, want, l);
    s.avail[i] = static_cast<uint8_t>(avail);
    uint8_t padded[kMaxBulge + kMaxWindow + kLettersPerWord * 2] = {};
    std::memcpy(padded + lim_.rna, l, static_cast<size_t>(avail));
    uint64_t* w = s.words.data() + i * perSite;
    for (int o = 0; o < shifts; ++o) {
      for (int k = 0; k < W; ++k) w[o * W + k] = Pack(padded + o + 16 * k);
    }
  }
  const bool popcnt = UseAvx2();
  for (size_t g = 0; g < index_.size(); ++g) {
    if (popcnt) {
      CompareSitesPopcnt(ref, b, seq, s, g, out);
    } else {
      CompareSitesScalar(ref, b, seq, s, g, out);
    }
    if (out.size() >= handOnSites) handOn(out);
  }
}

template <bool kPopcnt>
inline void BulgeGroup::CompareSites(const Reference& ref, const SiteBlock& b, uint32_t seq, const BulgeScratch& s,
                                     size_t g, std::vector<GuideSite>& out) const {
  const size_t n = b.size();
  const int shifts = lim_.rna + lim_.dna + 1;
  const int W = nWords_;
  const size_t perSite = static_cast<size_t>(shifts * W);
  const int P = static_cast<int>(pam_.letters.size());
  uint64_t lowMask[kMaxGuideWords] = {};
  for (int t = 0; t < len_; ++t) lowMask[t / kLettersPerWord] |= uint64_t{1} << (4 * (t % kLettersPerWord));
  // A guide letter that meets no matching letter at any shift is either
  // a mismatch or an RNA bulge: more of them than both allow rule a site
  // out at once; then the bound of the blocks, then the alignment.
  const int bound = lim_.mis + lim_.rna;
  {
    const uint64_t* gw = words_.data() + g * static_cast<size_t>(W);
    const uint8_t* gl = letters_.data() + g * kMaxWindow;
    for (size_t i = 0; i < n; ++i) {
      const uint64_t* w = s.words.data() + i * perSite;
      int none = 0;
      for (int k = 0; k < W && none <= bound; ++k) {
        uint64_t miss = lowMask[k];
        for (int o = 0; o < shifts; ++o) miss &= ~Shared(w[o * W + k] & gw[k]);
        none += __builtin_popcountll(miss);
      }
      if (none > bound) continue;
      uint64_t miss1[2 * kMaxBulge + 1] = {}, all = ~uint64_t{0};
      for (int o = 0; o < shifts; ++o) {
        for (int k = 0; k < W; ++k) miss1[o] |= Gather(~Shared(w[o * W + k] & gw[k]) & lowMask[k]) << (16 * k);
        all &= miss1[o];
      }
      if (BlockBound(miss1, all, len_, lim_) > lim_.mis) continue;
      BulgeAlignment a;
      if (!AlignBulged(gl, len_, s.letters.data() + i * kMaxWindow, s.avail[i], lim_, false, a)) continue;
      const PamPlace p = PamOfSite(ref, seq, b.start[i], b.strand[i], shortLen(), pam_);
      GuideSite site;
      site.guide = index_[g];
      site.seq = seq;
      site.start = SiteStartOf(ref, p, a.siteLetters, P);
      site.strand = b.strand[i];
      site.mis = static_cast<int8_t>(a.mis);
      site.dnaBulge = static_cast<int8_t>(a.dna);
      site.rnaBulge = static_cast<int8_t>(a.rna);
      out.push_back(site);
    }
  }
}

void BulgeGroup::CompareSitesScalar(const Reference& ref, const SiteBlock& b, uint32_t seq, const BulgeScratch& s,
                                    size_t g, std::vector<GuideSite>& out) const {
  CompareSites<false>(ref, b, seq, s, g, out);
}

__attribute__((target("popcnt"), flatten)) void BulgeGroup::CompareSitesPopcnt(const Reference& ref,
                                                                              const SiteBlock& b, uint32_t seq,
                                                                              const BulgeScratch& s, size_t g,
                                                                              std::vector<GuideSite>& out) const {
  CompareSites<true>(ref, b, seq, s, g, out);
}

}  // namespace quorvane
