// The seed index of the fast search: the start positions of the direct
// strand grouped by their seed code, each with the code of the 8 letters
// that follow it.
#ifndef QUORVANE_ENGINE_FAST_INDEX_H_
#define QUORVANE_ENGINE_FAST_INDEX_H_

#include <cstdint>

#include "common/status.h"
#include "engine/big_array.h"
#include "engine/genome_store.h"

namespace quorvane {

// Immutable once built; any number of searches read it at once. Bucket c
// holds the entries Off(c) .. Off(c + 1) - 1: every global start q whose
// seed code CdsD[q] is c, in ascending q, and beside each the seed code of
// the 8 letters after the first 8 (cyclically within q's sequence), so
// that a 9- to 16-letter piece is found by one scan of one small,
// contiguous bucket.
class FastIndex {
 public:
  FastIndex() = default;
  FastIndex(const FastIndex&) = delete;
  FastIndex& operator=(const FastIndex&) = delete;

  // Groups the direct-strand starts of store by a counting sort (two linear
  // passes, each shared by up to threads threads). Fails with kNoMemory
  // ("no mem Chns, ArrMisMatches") and then holds nothing.
  Status Build(const GenomeStore& store, int threads = 1);

  void Release();

  // First entry of bucket c; Off(65536) is the genome's letters.
  uint32_t Off(uint32_t c) const { return off_[c]; }
  const uint32_t* OffData() const { return off_.get(); }
  // Start position of entry i.
  const int32_t* Pos() const { return pos_.get(); }
  // Seed code of the 8 letters after the start of entry i. Readable up to
  // kScanPad entries past the last entry, so scans may read whole vectors.
  const uint16_t* Nxt() const { return nxt_.get(); }

  static constexpr int kScanPad = 32;

 private:
  BigArray<uint32_t> off_;  // 65,537 bucket starts
  BigArray<int32_t> pos_;   // gnmLen starts, grouped by seed code
  BigArray<uint16_t> nxt_;  // gnmLen + kScanPad following codes
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_INDEX_H_
