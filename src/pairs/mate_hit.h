// One hit of a mate as the pairing sees it: by the leftmost letter it
// covers on the direct strand, whatever its strand.
#ifndef QUORVANE_PAIRS_MATE_HIT_H_
#define QUORVANE_PAIRS_MATE_HIT_H_

#include <cstddef>
#include <cstdint>

#include "engine/hit.h"
#include "engine/reference.h"

namespace quorvane {

// 16 bytes, like the Hit it comes from: a mate of a repeat may have
// millions.
struct MateHit {
  int64_t left = 0;  // 0-based direct-strand position, within its sequence, of the leftmost letter the hit covers
  uint32_t seq = 0;  // the sequence, by its index in the reference
  Strand strand = Strand::kDirect;  // the strand the mate lies on
  int8_t mis = 0;    // mismatching letters, 0..3

  friend bool operator==(const MateHit&, const MateHit&) = default;
};
static_assert(sizeof(MateHit) == 16);

// The hit h of a read of len letters on a sequence of seqLen letters. A
// hit on the complementary strand that runs across a circular sequence's
// origin has its leftmost letter near the sequence's end.
MateHit ToMateHit(const Hit& h, int64_t seqLen, int32_t len);

// The signed position of the result files (see HitPos) of a mate's hit:
// +p on the direct strand, p the 1-based position of its first letter;
// -p on the complementary strand, p the 1-based position of the letter
// that pairs with its first letter.
int64_t MatePos(const MateHit& h, int64_t seqLen, int32_t len);

// Converts the n hits at hits of a read of len letters into out[0..n)
// and sorts them as the pairing needs them: by mismatches, then strand
// (direct first), sequence and leftmost letter.
void SortedMateHits(const Reference& ref, const Hit* hits, size_t n, int32_t len, MateHit* out);

}  // namespace quorvane

#endif  // QUORVANE_PAIRS_MATE_HIT_H_
