// The exhaustive search of guides: every site of the genome, on both
// strands, where a PAM lies exactly and the protospacer beside it differs
// from a guide in at most K letters.
#ifndef QUORVANE_GUIDES_GUIDE_SEARCH_H_
#define QUORVANE_GUIDES_GUIDE_SEARCH_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/status.h"
#include "guides/guide_query.h"
#include "engine/reference.h"
#include "engine/strand.h"

namespace quorvane {

// One site of one guide.
struct GuideSite {
  uint32_t guide = 0;               // the guide, by its index in the list searched
  uint32_t seq = 0;                 // the sequence, by its index in the reference
  int64_t start = 0;                // 0-based direct-strand index of the site's leftmost letter (protospacer and PAM)
  Strand strand = Strand::kDirect;  // kCompl: the site reads on the reverse complement
  int8_t mis = 0;                   // mismatching letters of the protospacer (pairs, with bulges)
  int8_t dnaBulge = 0;              // genome letters of the protospacer with no guide partner
  int8_t rnaBulge = 0;              // guide letters with no genome partner

  // Letters of the protospacer: the guide's, plus the DNA bulges, less the
  // RNA bulges.
  int protoLen(int guideLen) const { return guideLen + dnaBulge - rnaBulge; }

  friend bool operator==(const GuideSite&, const GuideSite&) = default;
};

// The order of the results: guide (the list's order), bulged letters,
// mismatches, sequence, position, direct strand first, then DNA bulges
// (the same start and strand with other bulges is another PAM).
bool GuideSiteBefore(const GuideSite& a, const GuideSite& b);

struct GuideSearchOptions {
  int mis = 0;      // mismatches allowed in the protospacer, 0..kMaxGuideMis
  int dnaBulge = 0;  // DNA-bulged letters allowed, 0..kMaxBulge (see bulge_align.h)
  int rnaBulge = 0;  // RNA-bulged letters allowed, 0..kMaxBulge
  int threads = 1;  // threads that share the genome's sites
  // Asked now and then, from any of the threads; true ends the search
  // with kInterrupted.
  std::function<bool()> stop;
  // The search into a vector fails once it has found more sites than
  // this, so that its memory stays bounded; the search into a sink has no
  // limit.
  int64_t maxSites = 50'000'000;
  // Positions of a sequence whose sites one task collects and compares;
  // memory grows with it.
  int64_t blockPositions = int64_t{1} << 16;
};

// What a search met on its way.
struct GuideSearchCounts {
  int64_t pamSites = 0;  // places, over both strands and every guide length, where the PAM lies
};

// Takes the sites of a search as it finds them, in batches and in no
// particular order, one batch at a time whatever the threads.
class GuideSiteSink {
 public:
  virtual ~GuideSiteSink() = default;
  // Takes the sites of batch (and may leave it empty). A failure ends the
  // search with it.
  virtual Status Take(std::vector<GuideSite>& batch) = 0;
};

// Hands the sites that a search's threads find to its sink, one batch at
// a time; after the sink's first failure, or once shut, batches are
// dropped.
class SinkGate {
 public:
  explicit SinkGate(GuideSiteSink& sink) : sink_(sink) {}
  // Hands batch on, unless the gate is shut, and empties it.
  void HandOn(std::vector<GuideSite>& batch);
  // Drops every later batch: the search has failed another way.
  void Shut() { shut_ = true; }
  bool shut() const { return shut_.load(std::memory_order_relaxed); }
  // The sink's failure; OK while there is none.
  Status failure() const {
    std::lock_guard<std::mutex> hold(mu_);
    return failure_;
  }

 private:
  GuideSiteSink& sink_;
  mutable std::mutex mu_;
  std::atomic<bool> shut_{false};
  Status failure_;  // under mu_
};

// Finds every site of every guide in ref and hands them to sink, as
// SearchGuides below finds them, with no limit on their number. With
// bulges allowed (opt.dnaBulge, opt.rnaBulge), a site is a PAM on a strand
// and the stretch beside it of the best alignment (see bulge_align.h); it
// is found once, whatever the stretches that align within the limits.
// Fails as below, or with the sink's failure.
Status SearchGuides(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                    const GuideSearchOptions& opt, GuideSiteSink& sink, GuideSearchCounts* counts = nullptr);

// Finds every site of every guide in ref and stores them in sites, sorted
// by GuideSiteBefore. A site is the protospacer (the guide's length) and
// the PAM beside it (3' of it, or 5' with pam.fivePrime), read 5' to 3' on
// either strand; it runs across the origin of a circular sequence, but
// never across the end of a linear one nor from one sequence into the
// next, and a circular sequence shorter than the site has none. Genome
// letters other than A, C, G, T match no letter, not even N. Guides and
// PAM must have passed CheckGuide and ParsePam. Fails with kInterrupted
// ("stopped") when opt.stop says so, or kBadInput "more than N sites: ..."
// beyond opt.maxSites.
Status SearchGuides(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                    const GuideSearchOptions& opt, std::vector<GuideSite>& sites, GuideSearchCounts* counts = nullptr);

// The site's letters as they read on its strand, 5' to 3' (protospacer
// then PAM, or PAM then protospacer), in upper case; a letter other than
// A, C, G, T as the genome holds it (complemented on the complementary
// strand). len is the site's length: guide plus PAM.
std::string SiteLetters(const Reference& ref, const GuideSite& site, int len);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_GUIDE_SEARCH_H_
