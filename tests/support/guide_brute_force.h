// The plain oracle of the guide search: every start on every strand of
// every sequence, the site's letters spelled out and compared one by one.
#ifndef QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_
#define QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_

#include <string>
#include <vector>

#include "guides/guide_query.h"
#include "guides/guide_search.h"
#include "engine/reference.h"

namespace quorvane::test {

// A sink that keeps every site it is handed, in the order they come.
class SiteCollector final : public GuideSiteSink {
 public:
  Status Take(std::vector<GuideSite>& batch) override {
    sites.insert(sites.end(), batch.begin(), batch.end());
    batch.clear();
    return Status::OK();
  }
  std::vector<GuideSite> sites;
};

// Every site of every guide within mis mismatches, in the order of
// GuideSiteBefore.
std::vector<GuideSite> BruteGuideSites(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis);

// The best alignment of a guide with one stretch, both as letters in the
// guide's 5' to 3' order, the PAM after the guide (pamAtEnd) or before it:
// columns as text (P a pair, D a DNA bulge, R an RNA bulge, from the
// PAM outward), and its counts; found by a plain dynamic programme over
// every column that keeps each partial alignment's fewest mismatches and,
// among those, its first columns in the order P, D, R.
struct BruteAlignment {
  bool found = false;
  int mis = 0, dna = 0, rna = 0;
  std::string columns;
};
BruteAlignment BruteAlign(const std::string& guide, const std::string& stretch, bool pamAtEnd, int mis, int dna,
                          int rna);

// Every site of every guide with bulges: for every PAM on either strand,
// every stretch beside it of guide - rna to guide + dna letters, each
// aligned by BruteAlign; the PAM's best (fewest bulged letters, fewest
// mismatches, then the first columns from the PAM as P, D, R) kept. In
// the order of GuideSiteBefore.
std::vector<GuideSite> BruteBulgeSites(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis,
                                       int dna, int rna);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_GUIDE_BRUTE_FORCE_H_
