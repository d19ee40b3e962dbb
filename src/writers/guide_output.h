// The text of a guide search's results: one row per site, the summary per
// guide, and the sites as SAM records; each written as the sites come, in
// the order of GuideSiteBefore.
#ifndef QUORVANE_WRITERS_GUIDE_OUTPUT_H_
#define QUORVANE_WRITERS_GUIDE_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/reference.h"
#include "guides/bulge_align.h"
#include "guides/guide_query.h"
#include "guides/guide_search.h"
#include "writers/site_view.h"

namespace quorvane {

// The columns a sites file has after its first seven.
struct GuideColumns {
  bool bulges = false;      // bulgeType, bulgeSize, guideAln, siteAln
  bool scores = false;      // cfd, mit
  bool annotation = false;  // genes, feature
};

// What a row holds beside the site itself.
struct SiteExtras {
  double cfd = -1;      // the CFD score; below 0: none
  double mit = -1;      // the MIT score; below 0: none
  std::string genes;    // the overlapping genes' names, comma-separated, or "-"
  std::string feature;  // per gene its features, comma-separated, or "intergenic"
};

// The header line of the sites file, with its line break.
std::string GuideSitesHeader(const GuideColumns& cols = {});

// Appends the row of site, with its line break: guide name, sequence name,
// 1-based direct-strand position of the site's leftmost letter, strand (+
// or -), the site's letters as they read on its strand with the
// protospacer's mismatching (and DNA-bulged) letters in lower case, the
// mismatches, and the PAM's letters; then the columns cols asks for.
void AppendGuideSiteRow(std::string& out, const std::string& guideName, const std::string& seqName,
                        const GuideSite& site, const SiteView& view, const GuideColumns& cols, const SiteExtras& x);

// The same for a site without bulges, its view made here.
void AppendGuideSiteRow(std::string& out, const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                        const GuideSite& site);

// The summary file, gathered site by site: a header, then one row per
// guide in the list's order: name, letters, its sites at 0, 1, ..., mis
// mismatches, and all its sites; with bulges, its sites at 1, 2, ...
// bulged letters (b1, b2, ...); with scores, its MIT and CFD specificity
// (empty for a guide the scores do not apply to).
class GuideSummary {
 public:
  // maxBulged: the bulged letters allowed (a column for each but 0);
  // scores: the specificity columns, for the guides ScoresApply to.
  GuideSummary(const std::vector<Guide>& guides, const Pam& pam, int mis, int maxBulged, bool scores);
  // Counts a site; cfd and mit as in SiteExtras. The guide's first site
  // without mismatches or bulges is its own (the on-target), left out of
  // its specificity.
  void Add(const GuideSite& site, double cfd, double mit);
  std::string Text() const;

 private:
  struct Tally {
    std::vector<int64_t> perMis, perBulged;
    int64_t all = 0;
    double mitSum = 0, cfdSum = 0;
    bool onTarget = false;
  };
  const std::vector<Guide>& guides_;
  int mis_, maxBulged_;
  bool scores_;
  std::vector<Tally> tally_;
  std::vector<bool> applies_;  // per guide: the scores apply to it
};

// The summary of sites sorted by GuideSiteBefore, without bulges or scores.
std::string GuideSummaryText(const std::vector<Guide>& guides, const std::vector<GuideSite>& sites, int mis);

// The SAM records of the sites, one per site, made as they come. The
// record's query is the site as the guide meets it: the guide's letters
// and the genome's PAM letters, in the site's order; on the complementary
// strand SEQ is its reverse complement and FLAG has 16. A guide's first
// site is primary, the others have FLAG 256 and MAPQ 0; the primary's
// MAPQ is 0 when the next site has as few mismatches and bulged letters,
// otherwise 20 for every one by which it leads the next (lim's mismatches
// and bulges + 1 when alone), at most 60. POS is the site's leftmost
// letter; CIGAR M for pairs (and the PAM), I for RNA bulges, D for DNA
// bulges (running past LN across a circular origin); tags NM (mismatches
// and bulged letters), MD (the genome's letters where they mismatch, upper
// case, and ^ before those of DNA bulges; a guide's IUPAC letter that
// names the genome's base matches), NH (the guide's sites) and HI (rank,
// from 1).
class GuideSamWriter {
 public:
  // perGuide: every guide's sites, for NH.
  GuideSamWriter(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, const BulgeLimits& lim,
                 const std::vector<int64_t>& perGuide);
  // Appends what is ready of site's records (its guide's first waits for
  // the second, which sets its MAPQ).
  void Add(std::string& out, const GuideSite& site, const SiteView& view);
  // Appends the record still waiting.
  void Finish(std::string& out);

 private:
  void Emit(std::string& out, const GuideSite& s, const SiteView& v, int64_t rank, int mapq);
  const Reference& ref_;
  const std::vector<Guide>& guides_;
  Pam pam_;
  BulgeLimits lim_;
  const std::vector<int64_t>& perGuide_;
  bool waiting_ = false;
  GuideSite first_;
  SiteView firstView_;
  int64_t rank_ = 0;
};

// The SAM records of the n sites of one guide (sorted by GuideSiteBefore,
// n >= 1, without bulges), as GuideSamWriter makes them.
void AppendGuideSamRecords(std::string& out, const Reference& ref, const Guide& guide, const Pam& pam,
                           const GuideSite* sites, size_t n, int mis);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_GUIDE_OUTPUT_H_
