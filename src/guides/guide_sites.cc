#include "guides/guide_sites.h"

#include <algorithm>
#include <cstring>

#include "common/iupac.h"

namespace quorvane {
namespace {

// Bits of positions [0, n) whose base set shares a base with set, 64 a word.
void SetBits(const std::vector<uint8_t>& base, size_t n, uint8_t set, std::vector<uint64_t>& bits) {
  std::fill(bits.begin(), bits.end(), 0);
  const uint64_t spread = 0x0101010101010101ULL * set;
  for (size_t i = 0; i < n; i += 8) {
    uint64_t x = 0;
    std::memcpy(&x, base.data() + i, 8);
    x &= spread;
    // One bit per nonzero byte, at the byte's top, then gathered.
    x = ((x & 0x7f7f7f7f7f7f7f7fULL) + 0x7f7f7f7f7f7f7f7fULL) | x;
    x &= 0x8080808080808080ULL;
    const uint64_t byte = ((x >> 7) * 0x0102040810204080ULL) >> 56;
    bits[i / 64] |= byte << (i % 64);
  }
}

// Bits o + 64w .. o + 64w + 63 of bits.
inline uint64_t Window(const std::vector<uint64_t>& bits, size_t o, size_t w) {
  const size_t idx = w + o / 64, sh = o % 64;
  if (sh == 0) return bits[idx];
  return (bits[idx] >> sh) | (bits[idx + 1] << (64 - sh));
}

// 16 letters of a nibble stream from letter i on.
inline uint64_t Nibbles(const std::vector<uint8_t>& s, size_t i) {
  uint64_t v = 0;
  std::memcpy(&v, s.data() + i / 2, 8);
  if (i & 1) v = (v >> 4) | (uint64_t{s[i / 2 + 8]} << 60);
  return v;
}

// The key of a piece from its letters as 4-bit base sets (the first in
// the lowest bits), see PieceKey; kNoKey when one is not A, C, G or T.
inline uint32_t KeyOfNibbles(uint64_t v, int kl) {
  const uint64_t lowBits = kl == 16 ? 0x1111111111111111ULL : 0x1111111111111111ULL & ((uint64_t{1} << (4 * kl)) - 1);
  const uint64_t any = (v | v >> 1 | v >> 2 | v >> 3) & lowBits;
  if (any != lowBits) return kNoKey;
  // C and T have the low code bit, G and T the high one.
  uint64_t lo = (v >> 1 | v >> 3) & lowBits;
  uint64_t hi = (v >> 2 | v >> 3) & lowBits;
  // Gathers the bits 4 apart into consecutive ones.
  auto gather = [](uint64_t x) {
    x = (x | x >> 3) & 0x0303030303030303ULL;
    x = (x | x >> 6) & 0x000F000F000F000FULL;
    x = (x | x >> 12) & 0x000000FF000000FFULL;
    x = (x | x >> 24) & 0xFFFFULL;
    return static_cast<uint32_t>(x);
  };
  return gather(lo) | gather(hi) << kl;
}

// Two letters a byte, the first in the low half; the reverse complement
// when rc. base is padded past n.
void PackNibbles(const std::vector<uint8_t>& base, size_t n, bool rc, std::vector<uint8_t>& nib) {
  nib.assign(n / 2 + 24, 0);
  const size_t bytes = (n + 1) / 2;
  if (!rc) {
    for (size_t t = 0; t < bytes; ++t) nib[t] = static_cast<uint8_t>(base[2 * t] | base[2 * t + 1] << 4);
    return;
  }
  // Letter r of the reverse complement pairs with letter n - 1 - r.
  for (size_t t = 0; t < bytes; ++t) {
    const size_t r = 2 * t;
    const uint8_t lo = ComplementSet(base[n - 1 - r]);
    const uint8_t hi = r + 1 < n ? ComplementSet(base[n - 2 - r]) : 0;
    nib[t] = static_cast<uint8_t>(lo | hi << 4);
  }
}

}  // namespace

std::vector<GuidePiece> CutGuide(int length, int pieces) {
  std::vector<GuidePiece> out;
  int at = 0;
  for (int p = 0; p < pieces; ++p) {
    const int len = length / pieces + (p < length % pieces ? 1 : 0);
    out.push_back(GuidePiece{at, len, std::min(len, kMaxKeyLetters)});
    at += len;
  }
  return out;
}

SiteShape ShapeOf(int guideLen, const Pam& pam) {
  SiteShape s;
  const int P = static_cast<int>(pam.letters.size());
  s.guideLen = guideLen;
  s.length = guideLen + P;
  s.pamAt = pam.fivePrime ? 0 : guideLen;
  s.guideAt = pam.fivePrime ? P : 0;
  for (int k = 0; k < P; ++k) s.pam.emplace_back(s.pamAt + k, kIupacSet[static_cast<unsigned char>(pam.letters[k])]);
  return s;
}

void CollectSites(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteShape& sh,
                  const std::vector<GuidePiece>& pieces, SiteScratch& s, SiteBlock& b) {
  const RefSeq& r = ref.seq(seq);
  const char* letters = ref.letters() + r.offset;
  const int S = sh.length;
  const size_t starts = static_cast<size_t>(end - begin);
  const size_t n = starts + static_cast<size_t>(S) - 1;  // letters of the stretch
  // Base sets, padded with letters that match nothing.
  s.base.assign(n + 64, 0);
  // Only a circular sequence's sites reach past its end, into its start.
  const size_t before = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), r.length - begin));
  const unsigned char* from = reinterpret_cast<const unsigned char*>(letters + begin);
  for (size_t i = 0; i < before; ++i) s.base[i] = kBaseBit[from[i]];
  from = reinterpret_cast<const unsigned char*>(letters) - before;
  for (size_t i = before; i < n; ++i) s.base[i] = kBaseBit[from[i]];

  // The starts where every PAM letter fits: on the direct strand site
  // letter k lies at start + k; on the complementary one it pairs with
  // start + S - 1 - k, whose base set's complement must fit.
  const size_t words = (n + 63) / 64 + 2;
  const size_t startWords = (starts + 63) / 64;
  s.fwdStarts.assign(startWords, ~uint64_t{0});
  s.rcStarts.assign(startWords, ~uint64_t{0});
  for (size_t k = 0; k < sh.pam.size(); ++k) {
    const auto [at, set] = sh.pam[k];
    std::vector<uint64_t>& fb = s.bits[2 * k];
    std::vector<uint64_t>& cb = s.bits[2 * k + 1];
    fb.resize(words);
    cb.resize(words);
    SetBits(s.base, n, set, fb);
    SetBits(s.base, n, ComplementSet(set), cb);
    for (size_t w = 0; w < startWords; ++w) {
      s.fwdStarts[w] &= Window(fb, static_cast<size_t>(at), w);
      s.rcStarts[w] &= Window(cb, static_cast<size_t>(S - 1 - at), w);
    }
  }
  if (starts % 64 != 0) {
    const uint64_t last = (uint64_t{1} << (starts % 64)) - 1;
    s.fwdStarts.back() &= last;
    s.rcStarts.back() &= last;
  }

  PackNibbles(s.base, n, false, s.fwdNib);
  PackNibbles(s.base, n, true, s.rcNib);

  const int nWords = (sh.guideLen + kLettersPerWord - 1) / kLettersPerWord;
  uint64_t wordMask[kMaxGuideWords];
  for (int j = 0; j < nWords; ++j) {
    const int count = std::min(kLettersPerWord, sh.guideLen - j * kLettersPerWord);
    wordMask[j] = count == kLettersPerWord ? ~uint64_t{0} : (uint64_t{1} << (4 * count)) - 1;
  }
  b.nWords = nWords;
  b.words.clear();
  for (auto& k : b.keys) k.clear();
  b.start.clear();
  b.strand.clear();
  // Direct strand first, then the complementary one; the search sorts.
  for (int strand = 0; strand < 2; ++strand) {
    const std::vector<uint64_t>& found = strand == 0 ? s.fwdStarts : s.rcStarts;
    const std::vector<uint8_t>& nib = strand == 0 ? s.fwdNib : s.rcNib;
    for (size_t w = 0; w < found.size(); ++w) {
      for (uint64_t bitsLeft = found[w]; bitsLeft != 0; bitsLeft &= bitsLeft - 1) {
        const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bitsLeft));
        // The site's first letter within the stream of its strand.
        const size_t first = strand == 0 ? i : n - i - static_cast<size_t>(S);
        const size_t g = first + static_cast<size_t>(sh.guideAt);
        for (int j = 0; j < nWords; ++j) {
          b.words.push_back(Nibbles(nib, g + static_cast<size_t>(j * kLettersPerWord)) & wordMask[j]);
        }
        for (size_t p = 0; p < pieces.size(); ++p) {
          const uint64_t v = Nibbles(nib, g + static_cast<size_t>(pieces[p].at));
          b.keys[p].push_back(KeyOfNibbles(v, pieces[p].keyLetters));
        }
        b.start.push_back(begin + static_cast<int64_t>(i));
        b.strand.push_back(strand == 0 ? Strand::kDirect : Strand::kCompl);
      }
    }
  }
}

}  // namespace quorvane
