// The seed index of the fast search: the start positions of the direct
// strand grouped by their seed code, each with the codes of the 8 letters
// before it and of the 8 letters after its first 8.
#ifndef QUORVANE_ENGINE_FAST_INDEX_H_
#define QUORVANE_ENGINE_FAST_INDEX_H_

#include <cstdint>

#include "common/status.h"
#include "engine/big_array.h"
#include "engine/genome_store.h"

namespace quorvane {

// Immutable once built; any number of searches read it at once. Bucket c
// holds the entries Off(c) .. Off(c + 1) - 1: every global start q whose
// 8 letters q..q+7 have the seed code c, in ascending q. Beside each
// stands its context: the seed codes of the letters q-8..q-1 (high half)
// and q+8..q+15 (low half), taken cyclically within q's sequence, so that
// one scan of one small, contiguous bucket compares 24 letters around
// every start with a read. Seed codes count a letter other than A, C, G,
// T as A.
class FastIndex {
 public:
  FastIndex() = default;
  FastIndex(const FastIndex&) = delete;
  FastIndex& operator=(const FastIndex&) = delete;

  // Groups the direct-strand starts of store, coding its letters on the
  // way, by a counting sort (a counting pass, then the placing passes of
  // ScatterInTwoPasses or one direct scatter; each shared by up to threads
  // threads). Needs a byte per letter more while it builds. Fails with kNoMemory ("no mem Chns, ArrMisMatches")
  // and then holds nothing.
  Status Build(const GenomeStore& store, int threads = 1);

  void Release();

  // First entry of bucket c; Off(65536) is the genome's letters.
  uint32_t Off(uint32_t c) const { return off_[c]; }
  const uint32_t* OffData() const { return off_.get(); }
  // Start position of entry i.
  const int32_t* Pos() const { return pos_.get(); }
  // The context of entry i: the seed code of the 8 letters before it << 16
  // | that of the 8 letters after its first 8. Readable up to kScanPad
  // entries past the last entry, so that scans may read whole vectors.
  const uint32_t* Ctx() const { return ctx_.get(); }

  static constexpr int kScanPad = 32;

 private:
  // Fills pos_ and ctx_ from the bucket starts in off_ and the cursors of
  // each range (range t's at cursor + t * 65,536, first entry of each
  // bucket) by a pass by the codes' first 4 letters and one by their last
  // 4, both cache-friendly; false, having changed nothing that a direct
  // scatter would not overwrite, when a group is too large or the buffer
  // not there.
  bool ScatterInTwoPasses(const GenomeStore& store, int threads, int ranges, uint32_t* cursor);

  BigArray<uint32_t> off_;  // 65,537 bucket starts
  BigArray<int32_t> pos_;   // gnmLen starts, grouped by seed code
  BigArray<uint32_t> ctx_;  // gnmLen + kScanPad contexts
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_INDEX_H_
