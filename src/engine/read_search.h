// The search of one read on both strands: the per-worker part of the engine.
#ifndef QUORVANE_ENGINE_READ_SEARCH_H_
#define QUORVANE_ENGINE_READ_SEARCH_H_

#include <cstdint>
#include <vector>

#include "engine/genome_store.h"
#include "engine/hit.h"
#include "engine/strand.h"

namespace quorvane {

// Holds everything that belongs to the read being searched: its letters,
// its hit list and its counters. Each worker owns one; any
// number of them may search at once over the same immutable index.
class ReadSearch {
 public:
  virtual ~ReadSearch() = default;
  ReadSearch(const ReadSearch&) = delete;
  ReadSearch& operator=(const ReadSearch&) = delete;

  // Finds every start on either strand of every sequence at which the
  // rdLen letters at rd (kMinRdLen <= rdLen <= kMaxRdLen) differ from the
  // genome in at most misNu (0..3) letters; a read may run past the end of
  // a circular sequence into its own start, never past a linear one's end
  // and never into another sequence. Afterwards hits() holds one record
  // per hit, in this order: for misNu 0 the direct strand's hits, then the
  // complementary strand's; for misNu 1..3 by the seed code of the
  // strand's 8 letters at the hit, then direct before complementary. Ties
  // go by sequence in file order, then by ascending start.
  // Returns false, with the hit list emptied, when the list cannot grow
  // for lack of memory; nothing is raised.
  bool SearchRead(const char* rd, int32_t rdLen, int32_t misNu);

  // The hits of the last read.
  const std::vector<Hit>& hits() const { return ArrMisMatches_; }
  // Hits on the direct strand, on the complementary strand, on both.
  int32_t posUpNu() const { return posUpNu_; }
  int32_t posLwNu() const { return posUpLwNu() - posUpNu_; }
  int32_t posUpLwNu() const { return static_cast<int32_t>(ArrMisMatches_.size()); }

 protected:
  explicit ReadSearch(const GenomeStore& store);

  // Exact lookup (misNu 0) and mismatch search (misNu 1..3) of the read
  // rd_ of rdLen_ letters; both append through AddHit.
  virtual void FindExact() = 0;
  virtual void FindMis() = 0;

  // Appends the record of a hit at start p of strand s of sequence seq.
  void AddHit(uint32_t seq, Strand s, int64_t p, int mis) {
    ArrMisMatches_.emplace_back(seq, p, s, mis);
    posUpNu_ += s == Strand::kDirect;
  }

  const GenomeStore& store_;
  const char* rd_ = nullptr;  // the letters of the read being searched
  int32_t rdLen_ = 0;
  int32_t misNu_ = 0;

 private:
  std::vector<Hit> ArrMisMatches_;
  int32_t posUpNu_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_READ_SEARCH_H_
