// The reads file, line by line.
#ifndef QUORVANE_RUN_LINE_READER_H_
#define QUORVANE_RUN_LINE_READER_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace quorvane {

// Lines longer than this are reported without their letters.
inline constexpr size_t kMaxLineLen = 1025;

// Splits a byte stream into lines at LF. A CR right before the LF (or at
// the very end of the stream) is dropped, so CR LF and LF files give the
// same lines. The last line needs no LF; an LF at the end of the stream
// does not start another line.
class LineReader {
 public:
  enum class Next {
    kLine,   // a line of at most kMaxLineLen characters
    kLong,   // a longer line, consumed whole; its letters are not given
    kEnd,    // no more lines
    kError,  // the stream failed to read
  };

  // f must stay open while the reader is used; the reader does not close it.
  explicit LineReader(std::FILE* f);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads the next line. For kLine, line holds its characters without the
  // line end, valid until the next call.
  Next ReadLine(std::string_view& line);

  // Bytes of the stream consumed so far.
  int64_t consumed() const { return consumed_; }

 private:
  bool Refill();

  std::FILE* f_;
  std::unique_ptr<char[]> buf_;
  size_t beg_ = 0;  // first unconsumed byte in buf_
  size_t end_ = 0;  // end of valid bytes in buf_
  bool eof_ = false;
  bool error_ = false;
  int64_t consumed_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_LINE_READER_H_
