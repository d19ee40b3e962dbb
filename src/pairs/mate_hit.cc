#include "pairs/mate_hit.h"

#include <algorithm>
#include <tuple>

namespace quorvane {

MateHit ToMateHit(const Hit& h, int64_t seqLen, int32_t len) {
  MateHit m;
  m.seq = h.seq;
  m.strand = h.strand;
  m.mis = h.mis;
  if (h.strand == Strand::kDirect) {
    m.left = h.start;
  } else {
    // The read's reverse complement ends at seqLen - 1 - start; a read
    // longer than a circular sequence may wind round it more than once.
    int64_t left = (seqLen - h.start - len) % seqLen;
    if (left < 0) left += seqLen;
    m.left = left;
  }
  return m;
}

int64_t MatePos(const MateHit& h, int64_t seqLen, int32_t len) {
  if (h.strand == Strand::kDirect) return h.left + 1;
  // The read's first letter pairs with its rightmost letter on the direct
  // strand, past the origin for a hit across it.
  const int64_t last = (h.left + len - 1) % seqLen;
  return -(last + 1);
}

void SortedMateHits(const Reference& ref, const Hit* hits, size_t n, int32_t len, MateHit* out) {
  for (size_t i = 0; i < n; ++i) out[i] = ToMateHit(hits[i], ref.seq(hits[i].seq).length, len);
  std::sort(out, out + n, [](const MateHit& a, const MateHit& b) {
    return std::tie(a.mis, a.strand, a.seq, a.left) < std::tie(b.mis, b.strand, b.seq, b.left);
  });
}

}  // namespace quorvane
