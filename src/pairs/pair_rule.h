// The rule that makes two mates' hits one concordant placement of their
// fragment: the mates' orientations and the fragment's length limits.
#ifndef QUORVANE_PAIRS_PAIR_RULE_H_
#define QUORVANE_PAIRS_PAIR_RULE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "common/status.h"
#include "engine/strand.h"

namespace quorvane {

// How the two mates lie on their fragment. The upstream mate begins the
// fragment (its leftmost letter on the direct strand is the fragment's
// first); the downstream mate ends it.
enum class Orientation : uint8_t {
  kFr,  // upstream mate on the direct strand, downstream mate on the complementary one
  kRf,  // upstream mate on the complementary strand, downstream mate on the direct one
  kFf,  // mate 1 then mate 2 both on the direct strand, or mate 2 then mate 1 both on the complementary one
};

// Default fragment limits, those of the common mappers.
inline constexpr int64_t kDefaultMinFrag = 0;
inline constexpr int64_t kDefaultMaxFrag = 500;
// Longest fragment asked for: far beyond any sequencing library, and what
// BAM's 32-bit TLEN holds.
inline constexpr int64_t kMaxFragLimit = (int64_t{1} << 31) - 1;

struct PairRule {
  Orientation orientation = Orientation::kFr;  // how the mates lie
  int64_t minFrag = kDefaultMinFrag;           // MIN: shortest fragment, in letters
  int64_t maxFrag = kDefaultMaxFrag;           // MAX: longest fragment, in letters
};

// The strands of the two mates in one of an orientation's two cases: case
// 0 has mate 1 upstream, case 1 has mate 2 upstream.
struct CaseStrands {
  Strand up;    // the strand of the upstream mate's hit
  Strand down;  // the strand of the downstream mate's hit
};
CaseStrands StrandsOf(Orientation o, int upstreamMate);

// "fr", "rf" or "ff".
const char* OrientationName(Orientation o);

// Checks the fragment limits as the user typed them (decimal digits
// only, MIN <= MAX <= kMaxFragLimit) and stores them in rule. Fails with
// kBadInput: "fragment MIN is not a number", "fragment MAX is not a
// number", "fragment MIN is above MAX" or "fragment MAX is too big".
Status ParseFragmentLimits(const std::string& minText, const std::string& maxText, PairRule& rule);

// The name a pair goes by: a mate's name without a trailing "/1" or "/2".
std::string_view PairName(std::string_view mateName);

}  // namespace quorvane

#endif  // QUORVANE_PAIRS_PAIR_RULE_H_
