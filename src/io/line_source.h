// The plain reads file: one read per line.
#ifndef QUORVANE_IO_LINE_SOURCE_H_
#define QUORVANE_IO_LINE_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "io/env.h"
#include "io/read_source.h"

namespace quorvane {

// Lines longer than this are delivered without their letters.
inline constexpr int64_t kMaxLineLen = 1025;

// Splits a byte stream into lines at LF. A CR right before the LF (or at
// the very end of the stream) is dropped, so CR LF and LF files give the
// same lines. The last line needs no LF; an LF at the end of the stream
// does not start another line. A line of more than kMaxLineLen characters
// is consumed whole and given with its length but without its letters.
class LineSource final : public ReadSource {
 public:
  // path names the file for the message of a failed read.
  LineSource(std::unique_ptr<SequentialFile> file, std::string path);

  Status Next(ReadRecord& r, bool& more) override;
  int64_t bytesRead() const override { return consumed_; }

 private:
  // Reads more bytes after the unconsumed ones; false at the end or on a
  // failure (then status_ tells).
  bool Refill();

  std::unique_ptr<SequentialFile> file_;
  std::string path_;
  std::unique_ptr<char[]> buf_;
  size_t beg_ = 0;  // first unconsumed byte in buf_
  size_t end_ = 0;  // end of valid bytes in buf_
  bool eof_ = false;
  Status status_;
  int64_t consumed_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_IO_LINE_SOURCE_H_
