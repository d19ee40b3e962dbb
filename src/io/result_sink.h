// Where the outcome of every read goes: the result files of a run.
#ifndef QUORVANE_IO_RESULT_SINK_H_
#define QUORVANE_IO_RESULT_SINK_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "common/status.h"
#include "engine/hit.h"
#include "engine/reference.h"

namespace quorvane {

// A read as the sinks see it; the views are valid during the call only.
struct ReadView {
  std::string_view name;  // from a FASTA or FASTQ header; empty for a plain file
  std::string_view seq;   // the letters; empty for a plain line too long to keep
  std::string_view qual;  // FASTQ qualities; empty elsewhere
  int64_t number = 0;     // 1-based place in the reads file
  int64_t length = 0;     // letters in the file
};

// Every read of a run reaches every sink once, in the order of the reads
// file, between Begin and Finish. The first failure of a sink ends the
// run; the sink is not called again but for Finish.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // Creates the sink's files.
  virtual Status Open() = 0;
  // The genome is loaded: writes what depends on its sequences (headers).
  // ref stays valid until Finish.
  virtual Status Begin(const Reference& ref) = 0;
  // A searched read with hits; rdNom counts the reads with hits so far,
  // this one included.
  virtual Status Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) = 0;
  // A searched read without hits.
  virtual Status NotFound(const ReadView& r) = 0;
  // A read outside the length limits, which was not searched.
  virtual Status Skipped(const ReadView& r) = 0;
  // Ends the output. report is the run report, or empty when the run did
  // not reach its report. Closes every file, checking each close.
  virtual Status Finish(const std::string& report) = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_IO_RESULT_SINK_H_
