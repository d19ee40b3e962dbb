// The off-target scores designers rank sites by: the CFD score (Doench et
// al. 2016) and the MIT score (Hsu et al. 2013) of a site, and a guide's
// specificity from them as CRISPOR computes it.
#ifndef QUORVANE_GUIDES_SITE_SCORES_H_
#define QUORVANE_GUIDES_SITE_SCORES_H_

#include <string>

#include "guides/guide_query.h"

namespace quorvane {

// Whether the scores apply to a guide's sites: the models were made for
// SpCas9 guides of 20 letters A, C, G, T with a PAM of three letters 3' of
// them, N then two letters each naming G or A (NGG, NAG, NGA, NRG, ...).
bool ScoresApply(const Guide& guide, const Pam& pam);

// The CFD score of an alignment given over the protospacer in the guide's
// 5' to 3' order: guideAln the guide's 20 letters with '-' at DNA bulges,
// siteAln the protospacer's letters (either case) with '-' at RNA bulges,
// pam the site's three PAM letters. The product of the table's value for
// every mismatch (by its guide position), for the bulge, and for the PAM's
// last two letters. Returns -1 where the model has no value: a letter
// other than A, C, G, T in the protospacer or the PAM, or more than one
// bulged letter (the table holds single bulges only).
double CfdScore(const std::string& guideAln, const std::string& siteAln, const std::string& pam);

// The MIT score of a site without bulges, 0 to 100: the product of
// (1 - weight) over its mismatched positions, times 1 / ((19 - mean
// distance between mismatches) / 19 * 4 + 1) for two or more mismatches,
// times 1 / mismatches^2; multiplied by 0.2 for a PAM other than NGG, as
// CRISPOR does. guide and proto are 20 letters each, pam three. Returns
// -1 for a protospacer letter other than A, C, G, T.
double MitScore(const std::string& guide, const std::string& proto, const std::string& pam);

// A guide's specificity from the sum of its off-targets' scores, as
// CRISPOR computes it for both scores: 100 * 100 / (100 + sum), rounded
// to a whole number (halves to even).
int GuideSpecificity(double sum);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_SITE_SCORES_H_
