#include "engine/fast_index.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/nucleotide.h"
#include "engine/parallel_for.h"

namespace quorvane {

Status FastIndex::Build(const GenomeStore& store, int threads) {
  Release();
  const int64_t n = store.gnmLen();
  const int ranges = ParallelRanges(threads, n);
  off_.Allocate(kSeedCodes + 1);
  pos_.Allocate(static_cast<size_t>(n) + 1);
  nxt_.Allocate(static_cast<size_t>(n) + kScanPad);
  // Per range and code: first the count, then the next free entry.
  BigArray<uint32_t> cursor;
  cursor.Allocate(static_cast<size_t>(ranges) * kSeedCodes);
  if (!off_ || !pos_ || !nxt_ || !cursor) {
    Release();
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  const uint16_t* cds = store.Cds(Strand::kDirect);
  std::memset(cursor.get(), 0, sizeof(uint32_t) * kSeedCodes * static_cast<size_t>(ranges));
  ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
    uint32_t* count = cursor.get() + static_cast<size_t>(t) * kSeedCodes;
    for (int64_t q = from; q < to; ++q) ++count[cds[q]];
  });
  // Bucket c of range t starts after bucket c of the ranges before it, so
  // every bucket stays in ascending position.
  uint32_t sum = 0;
  for (int c = 0; c < kSeedCodes; ++c) {
    off_[c] = sum;
    for (int t = 0; t < ranges; ++t) {
      uint32_t& e = cursor[static_cast<size_t>(t) * kSeedCodes + c];
      const uint32_t count = e;
      e = sum;
      sum += count;
    }
  }
  off_[kSeedCodes] = sum;
  // The code after each start runs on cyclically within its sequence.
  const Reference& ref = store.ref();
  ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
    uint32_t* next = cursor.get() + static_cast<size_t>(t) * kSeedCodes;
    if (from >= to) return;
    for (uint32_t s = ref.SeqAt(from); from < to; ++s) {
      const RefSeq& q = ref.seq(s);
      const int64_t end = std::min<int64_t>(to, q.offset + q.length);
      const int64_t straight = std::min(end, q.offset + std::max<int64_t>(0, q.length - kSeedLen));
      for (int64_t g = from; g < straight; ++g) {
        const uint32_t i = next[cds[g]]++;
        pos_[i] = static_cast<int32_t>(g);
        nxt_[i] = cds[g + kSeedLen];
      }
      for (int64_t g = std::max(from, straight); g < end; ++g) {
        const uint32_t i = next[cds[g]]++;
        pos_[i] = static_cast<int32_t>(g);
        nxt_[i] = cds[q.offset + (g - q.offset + kSeedLen) % q.length];
      }
      from = std::max(from, end);
    }
  });
  std::memset(nxt_.get() + n, 0, sizeof(uint16_t) * kScanPad);
  return Status::OK();
}

void FastIndex::Release() {
  off_.reset();
  pos_.reset();
  nxt_.reset();
}

}  // namespace quorvane
