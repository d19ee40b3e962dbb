// The read loop: reads are read in batches, searched and formatted by
// workers that share the engine, and handed on in the order of the reads
// file.
#ifndef QUORVANE_RUN_READ_PIPELINE_H_
#define QUORVANE_RUN_READ_PIPELINE_H_

#include <cstdint>
#include <functional>

#include "engine/engine.h"
#include "run/line_reader.h"
#include "run/read_batch.h"

namespace quorvane {

class ReadPipeline {
 public:
  // Receives every finished batch, in order; returns false to stop.
  using Deliver = std::function<bool(const ReadBatch&)>;

  enum class End {
    kDone,       // every line was read and delivered
    kStopped,    // deliver asked to stop
    kReadError,  // the reads file failed to read
    kNoMem,      // a search or a batch could not get memory
  };

  // engine must be built; threads >= 1 workers search at once.
  ReadPipeline(const Engine& engine, int32_t misNu, bool showRdsMis, int threads);

  // Runs the loop over reader until its end, a stop or a failure.
  End Run(LineReader& reader, const Deliver& deliver);

 private:
  // One worker's own search and formatter.
  struct Worker;

  // Fills b with the next lines; returns false at the end of the file or a
  // read error (b may still hold lines then).
  bool Fill(LineReader& reader, ReadBatch& b);
  // Searches every read of b.
  void Search(Worker& w, ReadBatch& b) const;
  // Formats the records of b, whose first found read gets number
  // foundBefore + 1.
  void Format(Worker& w, ReadBatch& b, int64_t foundBefore) const;

  End RunInline(LineReader& reader, const Deliver& deliver);
  End RunParallel(LineReader& reader, const Deliver& deliver);

  const Engine& engine_;
  int32_t misNu_;
  bool showRdsMis_;
  int threads_;
  int64_t lines_ = 0;     // lines read so far in the run
  int64_t accepted_ = 0;  // accepted reads so far in the run
  bool readError_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_READ_PIPELINE_H_
