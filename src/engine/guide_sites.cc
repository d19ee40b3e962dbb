#include "engine/guide_sites.h"

#include <algorithm>
#include <cstring>

#include "engine/iupac.h"

namespace quorvane {
namespace {

// The 2-bit code of a base set of one base; anything else is no code.
constexpr uint8_t kBadCode = 4;
constexpr std::array<uint8_t, 16> kCodeOfSet = {4, 0, 1, 4, 2, 4, 4, 4, 3, 4, 4, 4, 4, 4, 4, 4};

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

// Per letter of a strand's stream: the code of the 8 letters from it on
// (2 bits each, the first highest) and how many letters from it on are
// A, C, G or T (at most 255).
struct KeyStream {
  std::vector<uint16_t> code;
  std::vector<uint8_t> good;

  void Build(const uint8_t* sets, size_t n) {
    code.assign(n, 0);
    good.assign(n, 0);
    uint32_t c = 0;
    int run = 0;
    // Backwards: the code of i is letter i then the code of i + 1.
    for (size_t r = n; r-- > 0;) {
      const uint8_t k = kCodeOfSet[sets[r] & 15];
      run = k == kBadCode ? 0 : std::min(run + 1, 255);
      c = (c >> 2) | (uint32_t{k == kBadCode ? uint8_t{0} : k} << 14);
      code[r] = static_cast<uint16_t>(c);
      good[r] = static_cast<uint8_t>(run);
    }
  }
};

// What one stretch needs besides its sites, kept between calls of a thread.
struct Scratch {
  std::vector<uint8_t> base, rcBase;  // base sets of the stretch, direct and reverse complemented
  std::vector<uint8_t> fwdNib, rcNib;  // the same, two letters a byte
  std::vector<uint64_t> bits[2 * kMaxPamLen];
  std::vector<uint64_t> fwdStarts, rcStarts;
  KeyStream fwdKeys, rcKeys;
};

thread_local Scratch tScratch;

void PackNibbles(const std::vector<uint8_t>& base, size_t n, std::vector<uint8_t>& nib) {
  nib.assign(n / 2 + 24, 0);
  for (size_t i = 0; i < n; ++i) nib[i / 2] |= static_cast<uint8_t>(base[i] << (4 * (i & 1)));
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
                  const std::vector<GuidePiece>& pieces, SiteBlock& b) {
  Scratch& s = tScratch;
  const RefSeq& r = ref.seq(seq);
  const char* letters = ref.letters() + r.offset;
  const int S = sh.length;
  const size_t starts = static_cast<size_t>(end - begin);
  const size_t n = starts + static_cast<size_t>(S) - 1;  // letters of the stretch
  // Base sets, padded with letters that match nothing.
  s.base.assign(n + 64, 0);
  for (size_t i = 0; i < n; ++i) {
    int64_t p = begin + static_cast<int64_t>(i);
    if (p >= r.length) p -= r.length;  // only a circular sequence's sites reach past its end
    s.base[i] = kBaseBit[static_cast<unsigned char>(letters[p])];
  }
  s.rcBase.assign(n + 64, 0);
  for (size_t i = 0; i < n; ++i) s.rcBase[i] = ComplementSet(s.base[n - 1 - i]);

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

  PackNibbles(s.base, n, s.fwdNib);
  PackNibbles(s.rcBase, n, s.rcNib);
  s.fwdKeys.Build(s.base.data(), n);
  s.rcKeys.Build(s.rcBase.data(), n);

  const int nWords = (sh.guideLen + kLettersPerWord - 1) / kLettersPerWord;
  uint64_t wordMask[kMaxGuideWords];
  for (int j = 0; j < nWords; ++j) {
    const int count = std::min(kLettersPerWord, sh.guideLen - j * kLettersPerWord);
    wordMask[j] = count == kLettersPerWord ? ~uint64_t{0} : (uint64_t{1} << (4 * count)) - 1;
  }
  for (auto& w : b.words) w.clear();
  for (auto& k : b.keys) k.clear();
  b.start.clear();
  b.strand.clear();
  // Direct strand first, then the complementary one; the search sorts.
  for (int strand = 0; strand < 2; ++strand) {
    const std::vector<uint64_t>& found = strand == 0 ? s.fwdStarts : s.rcStarts;
    const std::vector<uint8_t>& nib = strand == 0 ? s.fwdNib : s.rcNib;
    const KeyStream& keys = strand == 0 ? s.fwdKeys : s.rcKeys;
    for (size_t w = 0; w < found.size(); ++w) {
      for (uint64_t bitsLeft = found[w]; bitsLeft != 0; bitsLeft &= bitsLeft - 1) {
        const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bitsLeft));
        // The site's first letter within the stream of its strand.
        const size_t first = strand == 0 ? i : n - i - static_cast<size_t>(S);
        const size_t g = first + static_cast<size_t>(sh.guideAt);
        for (int j = 0; j < nWords; ++j) {
          b.words[j].push_back(Nibbles(nib, g + static_cast<size_t>(j * kLettersPerWord)) & wordMask[j]);
        }
        for (size_t p = 0; p < pieces.size(); ++p) {
          const size_t at = g + static_cast<size_t>(pieces[p].at);
          const int kl = pieces[p].keyLetters;
          b.keys[p].push_back(keys.good[at] >= kl ? static_cast<uint32_t>(keys.code[at] >> (2 * (kMaxKeyLetters - kl)))
                                                  : kNoKey);
        }
        b.start.push_back(begin + static_cast<int64_t>(i));
        b.strand.push_back(strand == 0 ? Strand::kDirect : Strand::kCompl);
      }
    }
  }
}

}  // namespace quorvane
