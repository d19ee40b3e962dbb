// One hit of a read in the genome.
#ifndef QUORVANE_COMMON_MIS_MATCH_H_
#define QUORVANE_COMMON_MIS_MATCH_H_

#include <cstdint>

namespace quorvane {

struct MisMatch {
  // Where the read lies. Direct strand: the 1-based position of the genome
  // letter under the read's first letter, 1..gnmLen. Complementary strand:
  // -gnmLen..-1, minus the 1-based direct-strand position of the letter
  // that pairs with the read's first letter. Never 0.
  int32_t pos;
  // Number of mismatching letters of the hit, 0..misNu.
  int8_t mis;

  friend bool operator==(const MisMatch&, const MisMatch&) = default;
};

}  // namespace quorvane

#endif  // QUORVANE_COMMON_MIS_MATCH_H_
