// The two strands of the genome.
#ifndef QUORVANE_ENGINE_STRAND_H_
#define QUORVANE_ENGINE_STRAND_H_

#include <cstdint>

namespace quorvane {

// Direct: the genome as the file holds it. Compl: its reverse complement.
enum class Strand : uint8_t { kDirect = 0, kCompl = 1 };

inline constexpr Strand kStrands[] = {Strand::kDirect, Strand::kCompl};

// The record position of a hit that starts at 0-based index p of strand s:
// p + 1 on the direct strand, p - gnmLen on the complementary strand.
inline int32_t HitPos(Strand s, int32_t p, int32_t gnmLen) {
  return s == Strand::kDirect ? p + 1 : p - gnmLen;
}

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_STRAND_H_
