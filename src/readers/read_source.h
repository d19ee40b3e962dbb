// Where the reads of a run come from: one record after another, whatever
// the file's format.
#ifndef QUORVANE_READERS_READ_SOURCE_H_
#define QUORVANE_READERS_READ_SOURCE_H_

#include <cstdint>
#include <string_view>

#include "common/status.h"

namespace quorvane {

// One read as its source gave it; the views stay valid until the next call
// of the source.
struct ReadRecord {
  std::string_view name;  // the first word of a FASTA or FASTQ header; empty in a plain file
  std::string_view seq;   // the letters; empty for a plain line too long to keep
  std::string_view qual;  // FASTQ qualities, one per letter; empty elsewhere
  int64_t length = 0;     // letters of the read, seq.size() unless the line was too long to keep
};

class ReadSource {
 public:
  virtual ~ReadSource() = default;
  // Reads the next record into r and sets more; more is false at the end
  // of the reads. A failed read or a malformed record is returned as a
  // status, after which the source gives nothing more.
  virtual Status Next(ReadRecord& r, bool& more) = 0;
  // Bytes of the file consumed so far.
  virtual int64_t bytesRead() const = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_READERS_READ_SOURCE_H_
