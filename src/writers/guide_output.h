// The text of a guide search's results: one row per site, the summary per
// guide, and the sites as SAM records.
#ifndef QUORVANE_WRITERS_GUIDE_OUTPUT_H_
#define QUORVANE_WRITERS_GUIDE_OUTPUT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "guides/guide_query.h"
#include "guides/guide_search.h"
#include "engine/reference.h"

namespace quorvane {

// The header line of the sites file, with its line break.
std::string GuideSitesHeader();

// Appends the row of site, with its line break: guide name, sequence name,
// 1-based direct-strand position of the site's leftmost letter, strand (+
// or -), the site's letters as they read on its strand with the
// protospacer's mismatching letters in lower case, the mismatches, and the
// PAM's letters.
void AppendGuideSiteRow(std::string& out, const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                        const GuideSite& site);

// The summary file: a header, then one row per guide in the list's order:
// name, letters, the sites at 0, 1, ..., mis mismatches, and all its sites.
// sites must be sorted by GuideSiteBefore.
std::string GuideSummaryText(const std::vector<Guide>& guides, const std::vector<GuideSite>& sites, int mis);

// Appends the SAM records of the n sites of one guide (sorted by
// GuideSiteBefore, n >= 1), one per site. The record's query is the site as
// the guide meets it: the guide's letters and the genome's PAM letters, in
// the site's order; on the complementary strand SEQ is its reverse
// complement and FLAG has 16. The first site (the fewest mismatches) is
// primary, the others have FLAG 256 and MAPQ 0; the primary's MAPQ is 0
// when another site has as few mismatches, otherwise 20 for every mismatch
// by which it leads the next (mis + 1 when alone), at most 60. POS is the
// site's leftmost letter, CIGAR its length M (running past LN across a
// circular origin); tags NM (the protospacer's mismatches), MD (the
// genome's letters where they mismatch, upper case; a guide's IUPAC letter
// that names the genome's base matches), NH (n) and HI (rank, from 1).
void AppendGuideSamRecords(std::string& out, const Reference& ref, const Guide& guide, const Pam& pam,
                           const GuideSite* sites, size_t n, int mis);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_GUIDE_OUTPUT_H_
