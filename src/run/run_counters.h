// The totals of one run and the report made of them.
#ifndef QUORVANE_RUN_RUN_COUNTERS_H_
#define QUORVANE_RUN_RUN_COUNTERS_H_

#include <cstdint>
#include <string>

namespace quorvane {

// All start at 0 just before the read loop. 64-bit, so that no sum of hits
// can wrap around however repetitive the genome.
struct RunCounters {
  int64_t linesRead = 0;  // every line the reads file delivered
  int64_t shortBig = 0;   // lines of fewer than 12 or more than 1024 characters
  int64_t accepted = 0;   // lines of 12..1024 characters; each is searched
  int64_t found = 0;      // accepted reads with a hit; the last rdNom given
  int64_t notFound = 0;   // accepted reads without a hit
  int64_t readsIn = 0;    // accepted - notFound, set after the loop
  int64_t hits = 0;       // all hits of the found reads
  int64_t upHits = 0;     // of them on the direct strand
  int64_t lwHits = 0;     // of them on the complementary strand
};

// The run report as the run log begins, without a line end at its end.
std::string RunReport(const RunCounters& c, const std::string& ProcNm, int32_t misNu);

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_COUNTERS_H_
