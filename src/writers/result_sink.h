// Where the outcome of every read goes: the result files of a run.
#ifndef QUORVANE_WRITERS_RESULT_SINK_H_
#define QUORVANE_WRITERS_RESULT_SINK_H_

#include <cstdint>
#include <memory>
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

// Makes a sink's records of reads on any thread, for a sink whose records
// of a read depend on that read alone; each thread has its own encoder.
class ReadEncoder {
 public:
  virtual ~ReadEncoder() = default;
  // As ResultSink's Found, NotFound and Skipped, without rdNom.
  virtual Status Found(const ReadView& r, const Hit* hits, size_t n) = 0;
  virtual Status NotFound(const ReadView& r) = 0;
  virtual Status Skipped(const ReadView& r) = 0;
  // Bytes made since the last Take.
  virtual size_t pending() const = 0;
  // Appends to out the bytes of the reads given since the last call,
  // ready to be written, and forgets them.
  virtual void Take(std::string& out) = 0;
};

// The files of a run, whatever reaches them: opened before the genome is
// loaded, begun once it is, finished (closed) at the end. The first
// failure of a sink ends the run; the sink is not called again but for
// Finish.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Creates the sink's files.
  virtual Status Open() = 0;
  // The genome is loaded: writes what depends on its sequences (headers).
  // ref stays valid until Finish.
  virtual Status Begin(const Reference& ref) = 0;
  // The bytes that encoders of the sink made on the searching threads
  // (see ResultSink::NewEncoder), in the order of the reads file. May take
  // the bytes, leaving bytes empty (or holding other memory).
  virtual Status WriteEncoded(std::string& bytes) {
    (void)bytes;
    return Status::OK();
  }
  // Ends the output. report is the run report, or empty when the run did
  // not reach its report. Closes every file, checking each close.
  virtual Status Finish(const std::string& report) = 0;
};

// Every read of a run reaches every sink once, in the order of the reads
// file, between Begin and Finish.
class ResultSink : public virtual OutputSink {
 public:
  // A searched read with hits; rdNom counts the reads with hits so far,
  // this one included.
  virtual Status Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) = 0;
  // A searched read without hits.
  virtual Status NotFound(const ReadView& r) = 0;
  // A read outside the length limits, which was not searched.
  virtual Status Skipped(const ReadView& r) = 0;
  // A sink whose records of a read depend on that read alone may hand out
  // encoders, once Begin has succeeded, so that its records are made on
  // the searching threads; null when it makes them itself. The bytes of
  // encoded reads reach it through WriteEncoded, in the order of the
  // reads file, and those reads reach it no other way.
  virtual std::unique_ptr<ReadEncoder> NewEncoder() { return nullptr; }
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_RESULT_SINK_H_
