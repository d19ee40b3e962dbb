// The genome of one run in memory: its sequences' letters and, for the
// reference search, the seed code of every start on both strands.
#ifndef QUORVANE_ENGINE_GENOME_STORE_H_
#define QUORVANE_ENGINE_GENOME_STORE_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "common/status.h"
#include "common/big_array.h"
#include "engine/reference.h"
#include "engine/strand.h"

namespace quorvane {

// Which seed codes a store holds for every start.
enum class HeldCodes {
  kNone,    // none: codes are derived from the letters when asked for
  kDirect,  // the direct strand's
  kBoth,    // both strands'
};

// Immutable once loaded: searches of many reads may read it at once.
//
// Positions are global: entry offset + p stands for start p of a sequence
// whose first letter is at offset in the reference's letters; on the
// complementary strand, start p of the sequence's reverse complement. Seed
// codes run cyclically within each sequence: the code at start p covers
// the letters p..p+7, continuing at the sequence's start past its end, so
// that every start has one whatever its topology. A letter other than A,
// C, G, T counts as A in a seed code; the stretches of such letters are
// kept apart, and every window that covers one is counted letter by letter.
class GenomeStore {
 public:
  // threads: how many threads the coding passes may use. held: which
  // strands' seed codes Cds gives; SeedCode derives the others.
  explicit GenomeStore(int threads = 1, HeldCodes held = HeldCodes::kDirect) : threads_(threads), held_(held) {}
  GenomeStore(const GenomeStore&) = delete;
  GenomeStore& operator=(const GenomeStore&) = delete;

  // Takes ref over and codes every start of every sequence. Fails with
  // kNoMemory ("no mem ChnBegX and Cds"), and then holds nothing.
  Status Load(Reference ref);
  // The same for a genome whose stretches of letters other than A, C, G, T
  // are known already (a saved index holds them): uncoded, ascending
  // [begin, end) global ranges.
  Status Load(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded);

  // Stretches [begin, end) of letters other than A, C, G, T, ascending.
  const std::vector<std::pair<int64_t, int64_t>>& uncoded() const { return uncoded_; }

  // Releases everything; the store is empty afterwards.
  void Release();

  bool loaded() const { return loaded_; }
  const Reference& ref() const { return ref_; }
  // Letters of all sequences together.
  int64_t gnmLen() const { return ref_.total(); }

  // Seed codes by global start; readable 16 entries past the last start.
  // Null for a strand whose codes are not held.
  const uint16_t* Cds(Strand s) const { return s == Strand::kDirect ? CdsD_.get() : CdsC_.get(); }

  // The seed code of strand s of sequence seq at start p (0 <= p < its
  // length): its 8 letters from p, cyclically, a letter other than A, C,
  // G, T counting as A on either strand.
  uint16_t SeedCode(uint32_t seq, Strand s, int64_t p) const;

  // Copies the n letters of strand s of sequence seq from start p into
  // out, continuing cyclically past the sequence's end: the direct strand
  // as given, the complementary strand in upper case (N for a letter other
  // than A, C, G, T).
  void StrandLetters(uint32_t seq, Strand s, int64_t p, int32_t n, char* out) const;

  // Whether a window of n letters from start p of strand s of sequence seq
  // runs past the sequence's end or covers a letter other than A, C, G, T:
  // then seed codes do not describe it and it must be counted letter by
  // letter.
  bool NeedsLetterCount(uint32_t seq, Strand s, int64_t p, int32_t n) const {
    const RefSeq& q = ref_.seq(seq);
    if (p + int64_t{n} > q.length) return true;
    return !uncoded_.empty() && CoversUncoded(q, s, p, n);
  }

  // Mismatching letters of the n read letters rd against that window,
  // counted cyclically; a letter other than A, C, G, T on either side is a
  // mismatch. Stops as soon as the count passes limit.
  int CountLetters(uint32_t seq, Strand s, int64_t p, const char* rd, int32_t n, int limit) const;

 private:
  Status Load(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded, bool known);
  // Whether the window covers a letter other than A, C, G, T.
  bool CoversUncoded(const RefSeq& q, Strand s, int64_t p, int32_t n) const;
  // Fills the held seed codes of strand s.
  void CodeStrand(Strand s);
  void FindUncoded();

  int threads_;
  HeldCodes held_;
  bool loaded_ = false;
  Reference ref_;
  BigArray<uint16_t> CdsD_;  // seed codes of the direct strand
  BigArray<uint16_t> CdsC_;  // seed codes of the complementary strand, when held
  // Stretches [begin, end) of letters other than A, C, G, T, ascending.
  std::vector<std::pair<int64_t, int64_t>> uncoded_;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_GENOME_STORE_H_
