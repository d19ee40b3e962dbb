// The guide search through a PAM site table (see site_table.h): the same
// sites as the scan of the genome finds, looked up by key.
#ifndef QUORVANE_GUIDES_SITE_TABLE_SEARCH_H_
#define QUORVANE_GUIDES_SITE_TABLE_SEARCH_H_

#include <string>
#include <vector>

#include "common/status.h"
#include "engine/reference.h"
#include "guides/guide_search.h"
#include "guides/site_table.h"

namespace quorvane {

// Whether a search of guides with opt through table gives what the scan
// gives: the table's PAM is pam, every guide's length is one it serves,
// and no bulges are allowed.
bool TableAnswers(const SiteTableView& table, const Pam& pam, const std::vector<Guide>& guides,
                  const GuideSearchOptions& opt);

// Checks the table's key starts before a search trusts them: verified
// (table.check), rising, ending at its sites. Fails with kBadInput, the
// check's message for a damaged block or "saved index is damaged: its
// PAM site table does not add up: ..." naming path.
Status CheckSiteTable(const SiteTableView& table, const std::string& path);

// Finds every site of every guide within opt.mis mismatches, as
// SearchGuides does (the same sites, counts included), through table,
// which must answer (TableAnswers) and have passed CheckSiteTable. A
// guide is looked up by the keys within a share of its mismatches of its
// near letters and of its far ones (a site within K mismatches has at
// most tN in the first or tF in the second, tN + tF = K - 1), or, when
// that would draw most sites, compared with every site. Fails with
// kInterrupted ("stopped"), the sink's failure, or table.check's failure
// when a block it read is damaged (no site is handed on after it).
Status SearchSiteTable(const Reference& ref, const SiteTableView& table, const std::vector<Guide>& guides,
                       const GuideSearchOptions& opt, GuideSiteSink& sink, GuideSearchCounts* counts = nullptr);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_SITE_TABLE_SEARCH_H_
