// MisNuX: the number of differing letters of two seed codes.
#ifndef QUORVANE_ENGINE_MIS_NU_TABLE_H_
#define QUORVANE_ENGINE_MIS_NU_TABLE_H_

#include <array>
#include <cstdint>

#include "common/nucleotide.h"

namespace quorvane {

// For two seed codes a and b, MisNuX[a ^ b] is the number of letter
// positions (2-bit groups) in which they differ: 0 exactly when a == b.
// Since a shifted code and a last-block code both have zeros above their
// low bits, the same table counts the mismatches of shorter blocks.
inline constexpr std::array<uint8_t, kSeedCodes> MisNuX = [] {
  std::array<uint8_t, kSeedCodes> t{};
  for (unsigned x = 0; x < kSeedCodes; ++x) {
    int zeros = 0;
    for (int k = 0; k < kSeedLen; ++k) zeros += ((x >> (2 * k)) & 3) == 0;
    t[x] = static_cast<uint8_t>(kSeedLen - zeros);
  }
  return t;
}();

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_MIS_NU_TABLE_H_
