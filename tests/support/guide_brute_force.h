// The plain oracle of the guide search: every start on every strand of
// every sequence, the site's letters spelled out and compared one by one.
#ifndef QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_
#define QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_

#include <vector>

#include "guides/guide_query.h"
#include "guides/guide_search.h"
#include "engine/reference.h"

namespace quorvane::test {

// Every site of every guide within mis mismatches, in the order of
// GuideSiteBefore.
std::vector<GuideSite> BruteGuideSites(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_
