// One place where a read lies in the genome.
#ifndef QUORVANE_ENGINE_HIT_H_
#define QUORVANE_ENGINE_HIT_H_

#include <cstdint>

#include "engine/strand.h"

namespace quorvane {

// 16 bytes, its start first: a read of a repeat may have millions.
struct Hit {
  Hit() = default;
  constexpr Hit(uint32_t seq_, int64_t start_, Strand strand_, int mis_)
      : start(start_), seq(seq_), strand(strand_), mis(static_cast<int8_t>(mis_)) {}

  int64_t start = 0;  // 0-based index of the letter under the read's first letter on that strand of the sequence
  uint32_t seq = 0;   // the sequence, by its index in the reference (file order)
  Strand strand = Strand::kDirect;  // kDirect: the sequence as given; kCompl: its reverse complement
  int8_t mis = 0;     // mismatching letters, 0..misNu

  friend bool operator==(const Hit&, const Hit&) = default;
};
static_assert(sizeof(Hit) == 16);

// The signed position of the result files: start + 1 on the direct strand
// (1..length), start - length on the complementary one (-length..-1),
// that is minus the 1-based direct-strand position of the letter that
// pairs with the read's first letter.
inline int64_t HitPos(const Hit& h, int64_t length) {
  return h.strand == Strand::kDirect ? h.start + 1 : h.start - length;
}

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_HIT_H_
