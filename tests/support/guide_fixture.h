// What the guide search suites share: the sites as failure messages show
// them, and a PAM made from its letters.
#ifndef QUORVANE_TESTS_GUIDE_FIXTURE_H_
#define QUORVANE_TESTS_GUIDE_FIXTURE_H_

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "guides/guide_query.h"
#include "guides/guide_search.h"

namespace quorvane {

// Sites as the failure messages show them.
inline void PrintTo(const GuideSite& s, std::ostream* os) {
  *os << "{g" << s.guide << " s" << s.seq << " @" << s.start << (s.strand == Strand::kDirect ? "+" : "-") << " m"
      << int{s.mis} << " d" << int{s.dnaBulge} << " r" << int{s.rnaBulge} << "}";
}

namespace test {

// The PAM of letters, which must parse.
inline Pam MakePam(const std::string& letters, bool fivePrime) {
  Pam p;
  EXPECT_TRUE(ParsePam(letters, fivePrime, p).ok()) << letters;
  return p;
}

}  // namespace test
}  // namespace quorvane

#endif  // QUORVANE_TESTS_GUIDE_FIXTURE_H_
