// Reads files in FASTA or FASTQ: one record per read, with its name and,
// for FASTQ, its qualities.
#ifndef QUORVANE_READERS_FASTX_SOURCE_H_
#define QUORVANE_READERS_FASTX_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "readers/line_cursor.h"
#include "readers/read_source.h"

namespace quorvane {

// Letters and qualities of a read kept at most; a longer read is counted
// (as too long to search) but its letters are not held.
inline constexpr int64_t kMaxKeptLetters = 1025;

class FastxSource final : public ReadSource {
 public:
  enum class Kind { kFasta, kFastq };

  // FASTA: a header line beginning with '>' and any number of sequence
  // lines. FASTQ: '@' header, sequence lines, a '+' line, then as many
  // qualities as letters. Empty lines between records are passed over;
  // the name is the header's first word.
  FastxSource(std::unique_ptr<LineCursor> cursor, Kind kind) : cursor_(std::move(cursor)), kind_(kind) {}

  // A malformed record ends the source with "malformed FASTQ record N at
  // line L of PATH: " and what is wrong ("cut short", "a quality string of
  // another length than its M letters", "no '@' at its start"); the reads
  // before it were given.
  Status Next(ReadRecord& r, bool& more) override;
  int64_t bytesRead() const override { return cursor_->consumed(); }

 private:
  // Passes over empty lines to the next record's header, which must begin
  // with marker, and reads it; more is false at the end of the file.
  Status BeginRecord(char marker, bool& more);
  // Reads the header line whose first piece is p into name_.
  Status ReadHeader(LineCursor::Piece p);
  // Appends a line whose first piece is p to text (at most
  // kMaxKeptLetters kept) and counts its characters into n.
  Status ReadLine(LineCursor::Piece p, std::string& text, int64_t& n);
  Status NextFasta(ReadRecord& r, bool& more);
  Status NextFastq(ReadRecord& r, bool& more);
  Status Malformed(const std::string& what) const;

  std::unique_ptr<LineCursor> cursor_;
  Kind kind_;
  std::string name_, seq_, qual_;
  int64_t record_ = 0;      // records begun
  int64_t recordLine_ = 0;  // the line of the current record's header
  // FASTA: the header of the next record, already read while reading the
  // letters of the one before.
  bool pending_ = false;
  Status failed_;  // the failure that ended the source
  std::string pendingName_;
  int64_t pendingLine_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_READERS_FASTX_SOURCE_H_
