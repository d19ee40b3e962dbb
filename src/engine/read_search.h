// The search of one read on both strands: the per-worker part of the engine.
#ifndef QUORVANE_ENGINE_READ_SEARCH_H_
#define QUORVANE_ENGINE_READ_SEARCH_H_

#include <cstdint>
#include <vector>

#include "common/mis_match.h"
#include "engine/genome_store.h"
#include "engine/read_codes.h"
#include "engine/strand.h"

namespace quorvane {

// Holds everything that belongs to the read being searched: its codes and
// shape values, its hit list and its counters. Each worker owns one; any
// number of them may search at once over the same immutable index.
class ReadSearch {
 public:
  virtual ~ReadSearch() = default;
  ReadSearch(const ReadSearch&) = delete;
  ReadSearch& operator=(const ReadSearch&) = delete;

  // Finds every start position on either strand of the circular genome at
  // which the rdLen letters at rd (kMinRdLen <= rdLen <= kMaxRdLen) differ
  // from the genome in at most misNu (0..3) letters. Afterwards hits()
  // holds one record per hit: for misNu 0 the direct-strand hits in
  // ascending pos, then the complementary ones; for 1..3 ordered by the
  // seed code at the hit, direct before complementary, ascending pos.
  // Returns false, with the hit list emptied, when the list cannot grow
  // for lack of memory; nothing is raised.
  bool SearchRead(const char* rd, int32_t rdLen, int32_t misNu);

  // The hits of the last read, records 0 .. posUpLwNu() - 1.
  const std::vector<MisMatch>& hits() const { return ArrMisMatches_; }
  // Hits on the direct strand, on the complementary strand, on both.
  int32_t posUpNu() const { return posUpNu_; }
  int32_t posLwNu() const { return posLwNu_; }
  int32_t posUpLwNu() const { return static_cast<int32_t>(ArrMisMatches_.size()); }

 protected:
  explicit ReadSearch(const GenomeStore& store);

  // Exact lookup (misNu 0) and mismatch search (misNu 1..3) of the read
  // whose codes stand in rc_; both append through AddHit.
  virtual void FindExact() = 0;
  virtual void FindMis() = 0;

  // Appends the record of a hit at 0-based start p of strand s.
  void AddHit(Strand s, int32_t p, int mis) {
    ArrMisMatches_.push_back({HitPos(s, p, store_.gnmLen()), static_cast<int8_t>(mis)});
    if (s == Strand::kDirect) {
      ++posUpNu_;
    } else {
      ++posLwNu_;
    }
  }

  const GenomeStore& store_;
  const char* rd_ = nullptr;  // the letters of the read being searched
  ReadCodes rc_;
  int32_t misNu_ = 0;

 private:
  std::vector<MisMatch> ArrMisMatches_;
  int32_t posUpNu_ = 0;
  int32_t posLwNu_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_READ_SEARCH_H_
