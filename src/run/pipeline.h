// The read loop: a serial stage reads and numbers the reads, a parallel
// stage searches them on every thread (and makes the records of the sinks
// that can have them made there), and a serial stage hands each read's
// outcome, in the order of the reads file, to the sinks.
#ifndef QUORVANE_RUN_PIPELINE_H_
#define QUORVANE_RUN_PIPELINE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "common/status.h"
#include "engine/engine.h"
#include "readers/read_source.h"
#include "writers/result_sink.h"
#include "run/batch_flow.h"
#include "run/read_batch.h"
#include "run/run_counters.h"
#include "run/run_observer.h"

namespace quorvane {

class Pipeline {
 public:
  // engine must be built and stay unchanged while the pipeline runs.
  Pipeline(const Engine& engine, int32_t misNu, int threads);

  // Runs every read of source through the search and hands its outcome to
  // every sink, in the order of the reads file, counting into c; progress
  // goes to obs every 1000 reads (bytesTotal: the size of the reads file,
  // -1 where unknown). Stops at the first failure of the source, of a sink
  // or of memory ("no mem Chns, ArrMisMatches"), or as interrupted when obs
  // asks; every read before the failure has been written.
  Status Run(ReadSource& source, const std::vector<ResultSink*>& sinks, RunObserver& obs, int64_t bytesTotal,
             RunCounters& c);

  // Reads of the last run that the writing stage searched itself.
  int64_t searchedByWriter() const { return searchedByWriter_; }

 private:
  struct Writer;

  // Searches the accepted reads of b until its hits pass kBatchHitBytes,
  // and makes the records of each read with encoders, one per encoding
  // sink, until they pass kBatchEncodedBytes. Returns false when a hit
  // list could not grow.
  bool SearchBatch(ReadSearch& search, ReadBatch& b, const std::vector<std::unique_ptr<ReadEncoder>>& encoders) const;

  const Engine& engine_;
  int32_t misNu_;
  int threads_;
  int64_t searchedByWriter_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_PIPELINE_H_
