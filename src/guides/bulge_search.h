// The guide search with bulges: each guide against each PAM site of a
// stretch, a quick bound on its mismatches first, then the alignment.
#ifndef QUORVANE_GUIDES_BULGE_SEARCH_H_
#define QUORVANE_GUIDES_BULGE_SEARCH_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/reference.h"
#include "engine/strand.h"
#include "guides/bulge_align.h"
#include "guides/guide_query.h"
#include "guides/guide_search.h"
#include "guides/guide_sites.h"

namespace quorvane {

// A PAM placed on the genome: the direct-strand index of its leftmost
// letter, its strand, and which way its protospacer runs from it.
struct PamPlace {
  uint32_t seq = 0;
  int64_t pamStart = 0;             // 0-based, within the sequence
  Strand strand = Strand::kDirect;  // the strand the site reads on
  bool leftward = false;            // the protospacer lies at lower direct-strand positions
};

// The PAM of a site found as a site of shortLen protospacer letters (see
// CollectSites), start its leftmost letter.
PamPlace PamOfSite(const Reference& ref, uint32_t seq, int64_t start, Strand strand, int shortLen, const Pam& pam);

// The PAM of a site as GuideSite holds it, with protoLen protospacer
// letters.
PamPlace PamOfSite(const Reference& ref, const GuideSite& site, int protoLen, const Pam& pam);

// The genome letters beside the PAM, read from it outward on the site's
// strand, as base sets (A 1, C 2, G 4, T 8, other letters 0), at most n
// of them into w; returns how many the sequence holds there (it never
// runs past a linear sequence's end, nor, on a circular one, onto the PAM).
int LettersFromPam(const Reference& ref, const PamPlace& p, int pamLen, int n, uint8_t* w);

// The leftmost letter of the site whose protospacer has protoLen letters.
int64_t SiteStartOf(const Reference& ref, const PamPlace& p, int protoLen, int pamLen);

// A guide's letters read from the PAM outward, as base sets.
void GuideFromPam(const Guide& g, const Pam& pam, uint8_t* out);

// What one thread keeps from one stretch to the next.
struct BulgeScratch {
  std::vector<uint64_t> words;   // per site: its letters at every shift, packed
  std::vector<uint8_t> letters;  // per site: its letters from the PAM, as base sets
  std::vector<uint8_t> avail;    // per site: the letters its sequence holds there
};

// The guides of one length, ready for the comparison.
class BulgeGroup {
 public:
  // guides[index[i]] for every i, all of guideLen letters.
  BulgeGroup(const std::vector<Guide>& guides, std::vector<uint32_t> index, int guideLen, const Pam& pam,
             const BulgeLimits& lim);

  // The protospacer letters of the shortest site: the guide's less the
  // RNA bulges allowed. Collect the PAM sites with this length.
  int shortLen() const { return len_ - lim_.rna; }

  // Compares every guide with every site of b, sequence seq (collected for
  // shortLen()), and appends the sites within the limits, each at its best
  // alignment; after each guide, hands out on once it holds at least
  // handOnSites sites, so that many guides never gather all their sites.
  void Compare(const Reference& ref, const SiteBlock& b, uint32_t seq, BulgeScratch& s, std::vector<GuideSite>& out,
               size_t handOnSites, const std::function<void(std::vector<GuideSite>&)>& handOn) const;

 private:
  // The comparison proper, built plain and with the processor's popcount.
  // Guide g against every site of b.
  template <bool kPopcnt>
  void CompareSites(const Reference& ref, const SiteBlock& b, uint32_t seq, const BulgeScratch& s, size_t g,
                    std::vector<GuideSite>& out) const;
  void CompareSitesScalar(const Reference& ref, const SiteBlock& b, uint32_t seq, const BulgeScratch& s, size_t g,
                          std::vector<GuideSite>& out) const;
  void CompareSitesPopcnt(const Reference& ref, const SiteBlock& b, uint32_t seq, const BulgeScratch& s, size_t g,
                          std::vector<GuideSite>& out) const;

  int len_;
  Pam pam_;
  BulgeLimits lim_;
  int nWords_;                    // 64-bit words of len_ letters, 4 bits each
  std::vector<uint32_t> index_;   // each guide's index in the list searched
  std::vector<uint8_t> letters_;  // per guide: its letters from the PAM
  std::vector<uint64_t> words_;   // per guide: the same packed
};

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_BULGE_SEARCH_H_
