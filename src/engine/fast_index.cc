#include "engine/fast_index.h"

#include <cstring>
#include <new>

#include "common/nucleotide.h"
#include "common/show_msg.h"
#include "engine/parallel_for.h"

namespace quorvane {

bool FastIndex::Build(const GenomeStore& store, int threads) {
  Release();
  const int32_t n = store.gnmLen();
  const int ranges = ParallelRanges(threads, n);
  off_.Allocate(kSeedCodes + 1);
  pos_.Allocate(static_cast<size_t>(n) + 1);
  nxt_.Allocate(static_cast<size_t>(n) + kScanPad);
  // Per range and code: first the count, then the next free entry.
  BigArray<uint32_t> cursor;
  cursor.Allocate(static_cast<size_t>(ranges) * kSeedCodes);
  if (!off_ || !pos_ || !nxt_ || !cursor) {
    Release();
    ShowMsg("no mem Chns, ArrMisMatches");
    return false;
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
  ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
    uint32_t* next = cursor.get() + static_cast<size_t>(t) * kSeedCodes;
    for (int64_t q = from; q < to; ++q) {
      const uint32_t i = next[cds[q]]++;
      pos_[i] = static_cast<int32_t>(q);
      nxt_[i] = cds[q + kSeedLen];
    }
  });
  std::memset(nxt_.get() + n, 0, sizeof(uint16_t) * kScanPad);
  return true;
}

void FastIndex::Release() {
  off_.reset();
  pos_.reset();
  nxt_.reset();
}

}  // namespace quorvane
