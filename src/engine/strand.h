// The two strands of the genome.
#ifndef QUORVANE_ENGINE_STRAND_H_
#define QUORVANE_ENGINE_STRAND_H_

#include <cstdint>

namespace quorvane {

// Direct: the sequence as the file holds it. Compl: its reverse complement.
enum class Strand : uint8_t { kDirect = 0, kCompl = 1 };

inline constexpr Strand kStrands[] = {Strand::kDirect, Strand::kCompl};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_STRAND_H_
