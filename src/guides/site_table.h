// The PAM site table of a genome: every place where one PAM lies, on both
// strands, with the protospacer letters nearest the PAM packed into keys,
// kept in two sorted orders so that a guide's sites within K mismatches
// are found by looking up a few hundred keys instead of scanning the
// genome.
//
// A site is a PAM on a strand, named by its anchor: the direct-strand
// index (among all letters of the genome) of the PAM's leftmost letter.
// Its protospacer letters are counted from the PAM outwards: letter i is
// the i-th letter away from the PAM, whatever the strand and the side of
// the PAM. The near key holds letters 0 .. k-1, the far key letters
// k .. 2k-1, 2 bits a letter (A 0, C 1, G 2, T 3) with letter 0 (or k)
// the most significant, so that the keys sharing their first letters lie
// side by side.
//
// A site is regular when it has maxGuide protospacer letters (on a linear
// sequence they stay inside it; a circular one is at least maxGuide plus
// the PAM long) and all of them are A, C, G or T; it is then kept in the
// near order (sorted by near key) and in the far order (sorted by far
// key), each entry holding the other key, so that a lookup in either
// order sees all 2k key letters without touching the genome. Every other
// site is odd and kept apart, to be compared whole.
#ifndef QUORVANE_GUIDES_SITE_TABLE_H_
#define QUORVANE_GUIDES_SITE_TABLE_H_

#include <cstdint>
#include <vector>

#include "common/table_check.h"
#include "engine/reference.h"
#include "engine/strand.h"
#include "guides/guide_query.h"

namespace quorvane {

// The longest guide a table serves unless told otherwise.
inline constexpr int kDefaultTableGuide = 24;
// Letters of a key at most and at least.
inline constexpr int kMaxTableKey = 10;
inline constexpr int kMinTableKey = 6;

// How the sites of one table are laid out.
struct SiteTableShape {
  Pam pam;
  int maxGuide = kDefaultTableGuide;  // protospacer letters a regular site has
  int keyLetters = kMaxTableKey;      // letters of each key
  int positionBits = 43;              // bits of an entry's anchor

  // Entry bits: anchor in [0, positionBits), strand above it (1 for the
  // complementary strand), the other key above that.
  uint64_t Entry(uint64_t anchor, bool compl_, uint64_t otherKey) const {
    return anchor | uint64_t{compl_} << positionBits | otherKey << (positionBits + 1);
  }
  uint64_t AnchorOf(uint64_t e) const { return e & ((uint64_t{1} << positionBits) - 1); }
  bool ComplOf(uint64_t e) const { return (e >> positionBits) & 1; }
  uint32_t OtherKeyOf(uint64_t e) const { return static_cast<uint32_t>(e >> (positionBits + 1)); }
  uint64_t keys() const { return uint64_t{1} << (2 * keyLetters); }
};

// The shape of a table of pam serving guides up to maxGuide letters, for
// a genome of letters letters: keys of about log4 of its expected sites,
// so that a key holds a few sites. maxGuide must be 2 * kMinTableKey or
// more.
SiteTableShape TableShapeFor(const Pam& pam, int maxGuide, int64_t letters);

// Whether protospacer letter i of a site runs leftwards from the PAM on
// the direct strand (a 3' PAM on the direct strand, a 5' PAM on the
// complementary one): then it lies at anchor - 1 - i, else at anchor +
// PAM + i; on the complementary strand it is complemented.
inline bool RunsLeft(bool fivePrime, bool compl_) { return fivePrime == compl_; }

// One site as the table's build meets it.
struct TableSite {
  uint64_t anchor = 0;  // among all letters of the genome
  bool compl_ = false;
  bool regular = false;
  uint32_t nearKey = 0, farKey = 0;  // of a regular site
};

// The letters of a stretch of one sequence around its anchors, prepared
// for ForEachTableSite.
struct SiteStretch {
  std::vector<uint8_t> base;  // base set; 0 for another letter or one outside a linear sequence
  int64_t lo = 0;             // the sequence's letter of entry 0 (before its start for the margin)
  int64_t begin = 0, end = 0;  // the anchors
  int64_t offset = 0;         // the sequence's first letter among all letters
  bool roomy = false;         // maxGuide letters and the PAM fit in the sequence
  int P = 0, M = 0, k2 = 0;   // PAM letters, maxGuide, key letters of both keys
  uint64_t mask = 0;          // of 2k letters
  uint8_t set[kMaxPamLen] = {}, cset[kMaxPamLen] = {};  // the PAM's letters and their complements
};

// Fills s for the anchors [begin, end) (0-based within sequence seq) of
// shape's sites; false when there are none: a sequence shorter than the
// shortest guide and the PAM has none.
bool PrepareStretch(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteTableShape& shape,
                    SiteStretch& s);

// Calls take(site) for every site of sequence seq of ref whose anchor
// lies in [begin, end), in an order fixed by the letters alone. One pass
// over the stretch's letters keeps the last 2k letters both ways and the
// run of letters A, C, G, T in registers: a site whose protospacer runs
// left is taken when the pass reaches the letter before its PAM, one
// whose protospacer runs right when it reaches its maxGuide-th letter
// (its keys kept in a small ring of the last 64 letters' keys).
template <typename Fn>
void ForEachTableSite(const Reference& ref, uint32_t seq, int64_t begin, int64_t end, const SiteTableShape& shape,
                      Fn&& take) {
  thread_local SiteStretch s;
  if (!PrepareStretch(ref, seq, begin, end, shape, s)) return;
  const int half = s.k2;  // bits of one key: 2 a letter, k letters
  const uint64_t farMask = (uint64_t{1} << half) - 1;
  const int64_t P = s.P, M = s.M;
  const int top = 2 * (s.k2 - 1);
  const int64_t firstAnchor = M, lastAnchor = M + (s.end - s.begin);  // entries of the anchors
  const int64_t len = static_cast<int64_t>(s.base.size());
  const int64_t lag = M - s.k2;  // a right-running site's keys end this many letters before its last letter
  const bool directLeft = RunsLeft(shape.pam.fivePrime, false);
  const uint8_t* b = s.base.data();
  uint64_t ring[64];
  uint64_t fwd = 0, back = 0;
  int64_t run = 0;
  TableSite site;
  auto pamAt = [&](int64_t ia, bool compl_) {
    bool pam = true;
    if (compl_) {
      for (int64_t j = 0; j < P && pam; ++j) pam = (b[ia + P - 1 - j] & s.cset[j]) != 0;
    } else {
      for (int64_t j = 0; j < P && pam; ++j) pam = (b[ia + j] & s.set[j]) != 0;
    }
    return pam;
  };
  auto give = [&](int64_t ia, bool compl_, bool regular, uint64_t key) {
    if (compl_) key ^= s.mask;
    site.anchor = static_cast<uint64_t>(s.offset + s.lo + ia);
    site.compl_ = compl_;
    site.regular = regular;
    site.nearKey = regular ? static_cast<uint32_t>(key >> half) : 0;
    site.farKey = regular ? static_cast<uint32_t>(key & farMask) : 0;
    take(site);
  };
  for (int64_t x = 0; x < len; ++x) {
    const uint8_t c = b[x];
    const uint64_t code = c == 0 ? 0 : static_cast<uint64_t>(__builtin_ctz(c));
    run = c == 0 ? 0 : run + 1;
    fwd = ((fwd << 2) | code) & s.mask;
    back = (back >> 2) | code << top;
    ring[x & 63] = fwd;
    // The site whose PAM begins at the next letter, its protospacer to the
    // left: its letters end here.
    const int64_t left = x + 1;
    if (left >= firstAnchor && left < lastAnchor && pamAt(left, !directLeft)) {
      give(left, !directLeft, s.roomy && run >= M, back);
    }
    // The site whose protospacer, to the right of its PAM, ends here.
    const int64_t right = x + 1 - P - M;
    if (right >= firstAnchor && right < lastAnchor && pamAt(right, directLeft)) {
      give(right, directLeft, s.roomy && run >= M, ring[(x - lag) & 63]);
    }
  }
}

// A table as a search reads it: pointers into a saved index, valid while
// it is open.
struct SiteTableView {
  SiteTableShape shape;
  uint64_t sites = 0;          // regular sites, in each order
  uint64_t oddSites = 0;
  const uint64_t* near = nullptr;        // sites entries, by near key
  const uint64_t* far = nullptr;         // sites entries, by far key
  const uint64_t* nearStarts = nullptr;  // keys + 1: where each near key's entries begin
  const uint64_t* farStarts = nullptr;
  const uint64_t* odd = nullptr;         // oddSites entries, their other key 0
  // Verifies bytes of the table and of the genome's letters before they
  // are read; null when all are verified already.
  TableCheck* check = nullptr;
};

// Whether a table of shape serves guides of length letters.
inline bool TableServes(const SiteTableShape& shape, int length) {
  return length <= shape.maxGuide && length >= shape.keyLetters + 1;
}

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_SITE_TABLE_H_
