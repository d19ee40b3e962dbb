// The totals of one run and the report made of them.
#ifndef QUORVANE_RUN_RUN_COUNTERS_H_
#define QUORVANE_RUN_RUN_COUNTERS_H_

#include <cstdint>
#include <string>

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

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_COUNTERS_H_
