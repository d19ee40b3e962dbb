#include "engine/fast_index.h"

#include <cstring>
#include <new>

#include "common/nucleotide.h"
#include "common/show_msg.h"

namespace quorvane {

bool FastIndex::Build(const GenomeStore& store) {
  Release();
  const int32_t n = store.gnmLen();
  off_.Allocate(kSeedCodes + 1);
  pos_.Allocate(static_cast<size_t>(n) + 1);
  nxt_.Allocate(static_cast<size_t>(n) + kScanPad);
  BigArray<uint32_t> cursor;
  cursor.Allocate(kSeedCodes);
  if (!off_ || !pos_ || !nxt_ || !cursor) {
    Release();
    ShowMsg("no mem Chns, ArrMisMatches");
    return false;
  }
  const uint16_t* cds = store.Cds(Strand::kDirect);
  std::memset(cursor.get(), 0, sizeof(uint32_t) * kSeedCodes);
  for (int32_t q = 0; q < n; ++q) ++cursor[cds[q]];
  uint32_t sum = 0;
  for (int c = 0; c < kSeedCodes; ++c) {
    off_[c] = sum;
    sum += cursor[c];
    cursor[c] = off_[c];
  }
  off_[kSeedCodes] = sum;
  // Ascending q keeps every bucket in ascending position.
  for (int32_t q = 0; q < n; ++q) {
    const uint32_t i = cursor[cds[q]]++;
    pos_[i] = q;
    nxt_[i] = cds[q + kSeedLen];
  }
  std::memset(nxt_.get() + n, 0, sizeof(uint16_t) * kScanPad);
  return true;
}

void FastIndex::Release() {
  off_.reset();
  pos_.reset();
  nxt_.reset();
}

}  // namespace quorvane
