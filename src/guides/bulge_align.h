// The alignment of a guide with the genome beside a PAM, with mismatches
// and bulges: a DNA bulge is a genome letter with no guide partner, an RNA
// bulge a guide letter with no genome partner.
//
// Both are read from the PAM outward: guide letter 0 is the one next to
// the PAM, genome letter 0 the protospacer letter next to it. An alignment
// is a list of columns, each a pair (a guide letter with a genome letter:
// a match or a mismatch), a DNA bulge or an RNA bulge, such that
//   - its first column (at the PAM's edge) and its last column (at the far
//     end) are pairs: no bulge lies beside the PAM nor at the far end;
//   - a DNA bulge never stands next to an RNA bulge (a guide letter and a
//     genome letter unpaired side by side are a mismatch);
//   - it uses every guide letter, and as many genome letters as it pairs
//     or bulges (the site's protospacer: guide letters + DNA bulges - RNA
//     bulges), no more than the genome holds beside the PAM.
// The best alignment has the fewest bulged letters, then the fewest
// mismatches; among equal ones, reading the columns from the PAM outward,
// the first column where two differ is a pair rather than a bulge, and a
// DNA bulge rather than an RNA bulge: bulges lie as far from the PAM as
// they can.
#ifndef QUORVANE_GUIDES_BULGE_ALIGN_H_
#define QUORVANE_GUIDES_BULGE_ALIGN_H_

#include <cstdint>
#include <string>

namespace quorvane {

// Bulged letters of each kind allowed at most.
inline constexpr int kMaxBulge = 2;

// How far an alignment may stray from the guide.
struct BulgeLimits {
  int mis = 0;  // mismatching pairs, 0..kMaxGuideMis
  int dna = 0;  // DNA-bulged letters, 0..kMaxBulge
  int rna = 0;  // RNA-bulged letters, 0..kMaxBulge
};

// The kind of one column of an alignment.
enum class Column : uint8_t { kPair = 0, kDnaBulge = 1, kRnaBulge = 2 };

// The best alignment found, with its columns from the PAM outward.
struct BulgeAlignment {
  int mis = 0;           // mismatching pairs
  int dna = 0;           // DNA-bulged letters
  int rna = 0;           // RNA-bulged letters
  int siteLetters = 0;   // genome letters it uses: guide letters + dna - rna
  int columns = 0;       // columns in column[]
  Column column[48];     // the columns, column[0] at the PAM's edge
};

// Aligns the guide letters g[0..gl) with the genome letters w[0..wl), both
// 4-bit base sets (A 1, C 2, G 4, T 8; a genome letter other than A, C, G,
// T is 0 and matches nothing) read from the PAM outward. Returns false when
// no alignment keeps within lim; otherwise fills best (with its columns
// when withColumns) and returns true. gl <= 40, wl <= gl + kMaxBulge.
bool AlignBulged(const uint8_t* g, int gl, const uint8_t* w, int wl, const BulgeLimits& lim, bool withColumns,
                 BulgeAlignment& best);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_BULGE_ALIGN_H_
