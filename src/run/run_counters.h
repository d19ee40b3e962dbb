// The totals of one run and the report made of them.
#ifndef QUORVANE_RUN_RUN_COUNTERS_H_
#define QUORVANE_RUN_RUN_COUNTERS_H_

#include <cstdint>
#include <string>

#include "pairs/pair_rule.h"

namespace quorvane {

// All start at 0 just before the read loop. 64-bit, so that no sum of hits
// can wrap around however repetitive the genome.
struct RunCounters {
  int64_t linesRead = 0;  // every read the reads file delivered (a line of a plain file)
  int64_t shortBig = 0;   // of them, reads of fewer than 12 or more than 1024 letters
  int64_t accepted = 0;   // reads of 12..1024 letters; each is searched
  int64_t found = 0;      // accepted reads with a hit; the last rdNom given
  int64_t hits = 0;       // all hits of the found reads
  int64_t upHits = 0;     // of them on the direct strand

  int64_t notFound() const { return accepted - found; }
  int64_t readsIn() const { return found; }
  int64_t lwHits() const { return hits - upHits; }
};

// The run report as the run log begins, without a line end at its end.
std::string RunReport(const RunCounters& c, const std::string& ProcNm, int32_t misNu);

// The totals of a pair run, 64-bit like the reads'.
struct PairCounters {
  int64_t pairsRead = 0;   // every pair the two files delivered
  int64_t shortBig = 0;    // of them, pairs with a mate of fewer than 12 or more than 1024 letters; not searched
  int64_t accepted = 0;    // pairs whose mates both have 12..1024 letters; each is searched
  int64_t found = 0;       // accepted pairs with a concordant placement; the last prNom given
  int64_t placements = 0;  // the concordant placements of the found pairs
  int64_t mateHits[2] = {0, 0};  // the hits of the accepted pairs' mates 1 and mates 2, concordant or not

  int64_t notFound() const { return accepted - found; }
};

// The report of a pair run as its run log holds it, without a line end
// at its end: the program, the mismatches, the rule, then the totals.
std::string PairReport(const PairCounters& c, const std::string& ProcNm, int32_t misNu, const PairRule& rule);

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_COUNTERS_H_
