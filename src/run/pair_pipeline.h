// The read loop of a pair run: the batch flow over the mates of each pair,
// both searched and paired on the searching threads (with the records of
// the sinks that can have them made there), the outcome of every pair
// handed to the sinks in the order of the files.
#ifndef QUORVANE_RUN_PAIR_PIPELINE_H_
#define QUORVANE_RUN_PAIR_PIPELINE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "common/status.h"
#include "engine/engine.h"
#include "pairs/pair_rule.h"
#include "readers/read_source.h"
#include "run/read_batch.h"
#include "run/run_counters.h"
#include "run/run_observer.h"
#include "writers/pair_sink.h"

namespace quorvane {

class PairPipeline {
 public:
  // engine must be built and stay unchanged while the pipeline runs.
  PairPipeline(const Engine& engine, int32_t misNu, const PairRule& rule, int threads);

  // Runs every pair of mates (mate 1 then mate 2, as MatesSource gives
  // them) through the search of both mates and their pairing, and hands
  // its outcome to every sink in the order of the files, counting into c;
  // progress (pairs) goes to obs every 1000 pairs (bytesTotal: the size of
  // the first file, -1 where unknown). A pair with a mate outside the
  // length limits is not searched. Stops as Pipeline::Run does; every pair
  // before a failure has been written. Memory stays bounded: a batch
  // whose mates' hits pass kBatchHitBytes leaves its further pairs to the
  // writing stage, and no pair's placements are ever held, only visited.
  Status Run(ReadSource& mates, const std::vector<PairSink*>& sinks, RunObserver& obs, int64_t bytesTotal,
             PairCounters& c);

  // Pairs of the last run that the writing stage searched itself.
  int64_t searchedByWriter() const { return searchedByWriter_; }

 private:
  struct Writer;

  // Searches both mates of pair i of b (reads 2i and 2i + 1) and appends
  // their sorted hits to hits, recording where each mate's end in ends.
  // Returns false when memory ran out.
  bool SearchPair(ReadSearch& search, const ReadBatch& b, size_t i, std::vector<MateHit>& hits,
                  std::vector<uint32_t>& ends) const;
  // Searches and pairs the accepted pairs of b until its hits pass
  // kBatchHitBytes, encoding each pair right after it.
  void SearchBatch(ReadSearch& search, ReadBatch& b, const std::vector<std::unique_ptr<PairEncoder>>& encoders) const;

  const Engine& engine_;
  int32_t misNu_;
  PairRule rule_;
  int threads_;
  int64_t searchedByWriter_ = 0;
};

// Pair i of b as the sinks see it.
PairView PairViewOf(const ReadBatch& b, size_t i);

// The pairing of pair i of b from the hits the searching stage left.
MatePair BatchMatePair(const ReadBatch& b, size_t i, const Reference& ref, const PairRule& rule);

}  // namespace quorvane

#endif  // QUORVANE_RUN_PAIR_PIPELINE_H_
