// The seed index of the fast search: start positions of the direct strand
// grouped by their seed code, each with the codes of the 8 letters before
// it and of the 8 letters after its first 8.
#ifndef QUORVANE_ENGINE_FAST_INDEX_H_
#define QUORVANE_ENGINE_FAST_INDEX_H_

#include <cstdint>
#include <vector>

#include "common/status.h"
#include "common/big_array.h"
#include "common/table_check.h"
#include "engine/genome_store.h"
#include "engine/piece_plan.h"

namespace quorvane {

// The first starts of a circular sequence that every index holds whatever
// its step: a piece of a read placed across the origin lands among them.
inline constexpr int64_t kFullZone = kPlanSpan;

// A genome of more letters than this is indexed at every second start
// (step 2), so that the index with the letters takes at most about 5 bytes
// per letter; a smaller one at every start, where its 9 bytes a letter
// stay within 5 bytes a letter and 64 MiB, the run's own needs included.
inline constexpr int64_t kFullStepLetters = int64_t{8} << 20;

// The tables of an index as they lie in memory, to be saved or viewed.
struct FastIndexTables {
  int step = 1;            // 1: every start; 2: every even start of each sequence (and its full zone)
  uint64_t entries = 0;    // starts indexed
  uint32_t segments = 1;   // ranges of 2^segmentBits letters the genome spans (at least 1)
  uint32_t segmentBits = 32;  // the bits of a start that pos keeps
  const uint64_t* off = nullptr;  // 65,537 bucket starts
  const uint32_t* pos = nullptr;  // entries + 1 starts, their low segmentBits bits
  const uint32_t* ctx = nullptr;  // entries + kScanPad contexts
  const uint64_t* seg = nullptr;  // 65,536 * segments: first entry of each segment in each bucket; null for 1
  // For tables mapped from a file whose pos and ctx blocks are verified as
  // they are touched: asked before a run of entries is read; null when
  // every byte is known whole.
  TableCheck* check = nullptr;
};

// Immutable once built or adopted; any number of searches read it at once.
// Bucket c holds the entries Off(c) .. Off(c + 1) - 1: every indexed
// global start q whose 8 letters q..q+7 have the seed code c, in ascending
// q. Beside each stands its context: the seed codes of the letters
// q-8..q-1 (high half) and q+8..q+15 (low half), taken cyclically within
// q's sequence, so that one scan of one small, contiguous bucket compares
// 24 letters around every start with a read. Seed codes count a letter
// other than A, C, G, T as A.
//
// Positions keep their low 32 bits; for a genome past 2^32 letters each
// bucket's entries fall into segments of 2^32 letters, whose first entries
// a small table holds, so that Start gives the whole position.
class FastIndex {
 public:
  FastIndex() = default;
  FastIndex(const FastIndex&) = delete;
  FastIndex& operator=(const FastIndex&) = delete;

  // The step an index of a genome of gnmLen letters takes.
  static int StepFor(int64_t gnmLen) { return gnmLen > kFullStepLetters ? 2 : 1; }

  // Groups the indexed direct-strand starts of store (every start for
  // step 1, the even ones of each sequence and its full zone for step 2;
  // 0 chooses by size), coding its letters on the way, by a counting sort
  // (a counting pass, then the placing passes, each shared by up to
  // threads threads). Needs a byte per entry more while it builds. Fails
  // with kNoMemory ("no mem Chns, ArrMisMatches") and then holds nothing.
  Status Build(const GenomeStore& store, int threads = 1, int step = 0);

  // Keeps bits (8..32) bits of each start, the rest in segments: 32 but in
  // tests, which reach segments with small genomes.
  void set_segment_bits(int bits) { segmentBits_ = bits; }

  // Views tables laid out elsewhere (a mapped index file), which must
  // outlive this index or its next Release.
  void Adopt(const FastIndexTables& t);

  void Release();

  bool built() const { return off_ != nullptr; }
  int step() const { return t_.step; }
  // The tables, to be saved.
  const FastIndexTables& tables() const { return t_; }

  // First entry of bucket c; Off(65536) is the number of entries.
  uint64_t Off(uint32_t c) const { return off_[c]; }
  const uint64_t* OffData() const { return off_; }
  // Low bits of the start of entry i (all of them but for a wide index).
  const uint32_t* Pos() const { return pos_; }
  // The context of entry i: the seed code of the 8 letters before it << 16
  // | that of the 8 letters after its first 8. Readable up to kScanPad
  // entries past the last entry, so that scans may read whole vectors.
  const uint32_t* Ctx() const { return ctx_; }
  // What must pass over a run of entries before it is read; null for none.
  TableCheck* check() const { return t_.check; }
  // Whether positions need their segment (the genome passes 2^32 letters).
  bool wide() const { return t_.segments > 1; }
  // The global start of entry i of bucket c.
  int64_t Start(uint32_t c, uint64_t i) const {
    uint64_t hi = 0;
    if (t_.segments > 1) {
      const uint64_t* s = t_.seg + static_cast<size_t>(c) * t_.segments;
      while (hi + 1 < t_.segments && s[hi + 1] <= i) ++hi;
    }
    return static_cast<int64_t>(hi << t_.segmentBits | pos_[i]);
  }

  static constexpr int kScanPad = 32;

 private:
  // Fills pos and ctx from the bucket starts and the cursors of each range
  // (range r's at cursor + r * 65,536, first entry of each bucket), each
  // start's low bits by lowMask, by a
  // pass by the codes' first 4 letters and one by their last 4, both
  // cache-friendly; false, having changed nothing that a direct scatter
  // would not overwrite, when a group is too large or the buffer not there.
  bool ScatterInTwoPasses(const GenomeStore& store, int threads, const uint64_t* cursor, uint32_t lowMask);

  FastIndexTables t_;
  int segmentBits_ = 32;
  const uint64_t* off_ = nullptr;
  const uint32_t* pos_ = nullptr;
  const uint32_t* ctx_ = nullptr;
  // Owned tables of a built index.
  BigArray<uint64_t> offOwn_;
  BigArray<uint32_t> posOwn_;
  BigArray<uint32_t> ctxOwn_;
  BigArray<uint64_t> segOwn_;
  // The ranges of the passes: [cuts_[r], cuts_[r + 1]), none across a
  // multiple of 2^32.
  std::vector<int64_t> cuts_;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_INDEX_H_
