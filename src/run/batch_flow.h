// The three stages every read loop runs its batches through: a serial
// stage reads and numbers the reads, a parallel stage searches them on
// every thread, a serial stage hands their outcomes on in the order of
// the reads file.
#ifndef QUORVANE_RUN_BATCH_FLOW_H_
#define QUORVANE_RUN_BATCH_FLOW_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "common/status.h"
#include "readers/read_source.h"
#include "run/read_batch.h"
#include "run/run_observer.h"

namespace quorvane {

// Limits of one batch. Reads end a batch at kBatchReads or kBatchBytes of
// text; a batch whose hits pass kBatchHitBytes leaves its further reads to
// the writing stage, which searches them one at a time. With at most
// 2 * threads batches in flight, memory stays bounded whatever the reads
// and however many hits each has.
inline constexpr size_t kBatchReads = 1024;
inline constexpr size_t kBatchBytes = size_t{512} << 10;
inline constexpr size_t kBatchHitBytes = size_t{2} << 20;
// The searching stage makes the records of the sinks that encode (see
// ResultSink::NewEncoder) until they pass kBatchEncodedBytes; the writing
// stage hands the further reads to those sinks itself.
inline constexpr size_t kBatchEncodedBytes = size_t{4} << 20;
// Reads between two progress marks.
inline constexpr int64_t kProgressEvery = 1000;

// The reading stage: fills batches with the source's records, a unit of
// `unit` consecutive records at a time (one read, or the two mates of a
// pair), never a unit split between two batches.
struct BatchReader {
  BatchReader(ReadSource& s, int u) : source(s), unit(u) {}

  ReadSource& source;
  int unit = 1;          // records that belong together, 1 or 2
  int64_t place = 0;     // units delivered so far
  int64_t accepted = 0;  // of them, units whose every record has kMinRdLen..kMaxRdLen letters
  bool done = false;     // nothing more is to be read
  Status status;         // why reading ended early, if it did

  // Fills b with the next units; each record is marked accepted when its
  // whole unit is. A progress mark goes at every unit whose place is a
  // multiple of kProgressEvery.
  void Fill(ReadBatch& b);
};

// Runs reader's batches through search (on up to `threads` threads, the
// processor's at most, each batch on one) and then write (in the order
// the reader filled them), with at most two batches per thread in flight.
// Stops reading when obs asks (the reader's status then is kInterrupted)
// or once write fails; returns write's first failure, else the reader's
// status, or kNoMemory ("no mem Chns, ArrMisMatches") when a stage ran
// out of memory.
Status FlowBatches(int threads, RunObserver& obs, BatchReader& reader, const std::function<void(ReadBatch&)>& search,
                   const std::function<Status(ReadBatch&)>& write);

// Gives obs the progress marks of b (see BatchReader::Fill), seconds into
// the loop; bytesTotal is the size of the file read, -1 where unknown;
// pairs marks the counts as pairs.
void ReportMarks(const ReadBatch& b, RunObserver& obs, int64_t bytesTotal, double seconds, bool pairs);

// Calls f(sink) for every sink until one fails; its failure, or OK.
template <typename Sink, typename F>
Status ForSinks(const std::vector<Sink*>& sinks, F&& f) {
  for (Sink* s : sinks) {
    Status st = f(*s);
    if (!st.ok()) return st;
  }
  return Status::OK();
}

}  // namespace quorvane

#endif  // QUORVANE_RUN_BATCH_FLOW_H_
