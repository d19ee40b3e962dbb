// The PAM sites of one stretch of a sequence, on both strands: where they
// start, their protospacers packed for comparison, and the keys of the
// protospacer's pieces for the pigeonhole lookup.
#ifndef QUORVANE_GUIDES_GUIDE_SITES_H_
#define QUORVANE_GUIDES_GUIDE_SITES_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "guides/guide_query.h"
#include "engine/reference.h"
#include "engine/strand.h"

namespace quorvane {

// Letters per 64-bit word of a packed protospacer: 4 bits each, the set of
// its bases (A 1, C 2, G 4, T 8; 0 for a letter other than A, C, G, T).
inline constexpr int kLettersPerWord = 16;
inline constexpr int kMaxGuideWords = (kMaxGuideLen + kLettersPerWord - 1) / kLettersPerWord;
// Pieces a protospacer is cut into at most: one more than the mismatches.
inline constexpr int kMaxPieces = kMaxGuideMis + 1;
// Letters of a piece that make its key, at most: 2 bits each.
inline constexpr int kMaxKeyLetters = 8;
// The key of a piece that holds a letter other than A, C, G, T.
inline constexpr uint32_t kNoKey = UINT32_MAX;

// Where a piece of the protospacer lies, and how many of its first letters
// make its key.
struct GuidePiece {
  int at = 0;
  int length = 0;
  int keyLetters = 0;
};

// Cuts a protospacer of length letters into pieces + 1 ... pieces nearly
// equal pieces (the first ones one letter longer).
std::vector<GuidePiece> CutGuide(int length, int pieces);

// How a site of one guide length lies, 5' to 3' on its strand.
struct SiteShape {
  int length = 0;                            // protospacer and PAM
  int guideLen = 0;                          // the protospacer
  int pamAt = 0;                             // first PAM letter within the site
  int guideAt = 0;                           // first protospacer letter within the site
  std::vector<std::pair<int, uint8_t>> pam;  // (letter within the site, its base set), in order
};

SiteShape ShapeOf(int guideLen, const Pam& pam);

// The key of the first n letters of a piece, each letter's code (A 0, C 1,
// G 2, T 3) split: the low bits of the codes in bits 0..n-1, the high bits
// in bits n..2n-1.
inline uint32_t PieceKey(const uint8_t* codes, int n) {
  uint32_t key = 0;
  for (int i = 0; i < n; ++i) key |= (codes[i] & 1u) << i | (static_cast<uint32_t>(codes[i]) >> 1) << (n + i);
  return key;
}

// The sites of one stretch: site i starts at start[i] on strand[i]; word
// j of its protospacer is words[i * nWords + j]; the key of piece p is
// keys[p][i] (kNoKey when the piece holds a letter other than A, C, G, T,
// which then matches nothing).
struct SiteBlock {
  int nWords = 1;
  std::vector<uint64_t> words;
  std::vector<int64_t> start;
  std::vector<Strand> strand;
  std::vector<uint32_t> keys[kMaxPieces];

  size_t size() const { return start.size(); }
};

// What collecting needs besides the sites, kept from one stretch to the
// next of one thread.
struct SiteScratch {
  std::vector<uint8_t> base;           // base sets of the stretch
  std::vector<uint8_t> fwdNib, rcNib;  // the same two letters a byte, direct and reverse complemented
  std::vector<uint64_t> bits[2 * kMaxPamLen];
  std::vector<uint64_t> fwdStarts, rcStarts;
};

// Fills b with the sites of sequence seq of ref that start at begin..end-1
// (0-based; past the sequence's end only for a circular one, which must
// be at least one site long), direct strand and complementary strand, and
// the keys of the given pieces.
void CollectSites(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteShape& shape,
                  const std::vector<GuidePiece>& pieces, SiteScratch& scratch, SiteBlock& b);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_GUIDE_SITES_H_
