// A byte stream read line by line, in pieces small enough to hold however
// long a line is.
#ifndef QUORVANE_READERS_LINE_CURSOR_H_
#define QUORVANE_READERS_LINE_CURSOR_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "env/env.h"

namespace quorvane {

class LineCursor {
 public:
  // A piece of a line: the line whole when it fits the buffer, otherwise
  // consecutive pieces of it, the last one with eol set.
  struct Piece {
    std::string_view text;  // without the LF, and without a CR right before it
    bool first = false;     // the piece begins a line
    bool eol = false;       // the piece ends its line
  };

  // path names the file in the message of a failed read.
  LineCursor(std::unique_ptr<SequentialFile> file, std::string path);

  // The first bytes of the stream, without consuming them: at least up to
  // the first character other than white space, unless the stream ends
  // before it.
  Status Peek(std::string_view& head);

  // The next piece; more is false at the end of the stream. A CR right
  // before a line's LF (or at the very end of the stream) is dropped; an
  // LF at the end of the stream starts no further line. The piece stays
  // valid until the next call.
  Status Next(Piece& piece, bool& more);

  // Raw bytes of the stream, line ends included, for a reader that wants
  // them unsplit: first what Peek buffered, then the rest of the stream.
  // Only before the first Next.
  Status ReadRaw(char* buf, size_t n, size_t& got);

  // Lines begun so far (the 1-based number of the current line).
  int64_t line() const { return line_; }
  // Bytes of the stream consumed so far.
  int64_t consumed() const { return consumed_; }
  const std::string& path() const { return path_; }

 private:
  // Reads more bytes after the unconsumed ones; false at the end or on a
  // failure (then status_ tells).
  bool Refill();
  // Gives the next len bytes as a piece and consumes used bytes.
  Status Take(Piece& piece, bool& more, size_t len, size_t used, bool eol);

  std::unique_ptr<SequentialFile> file_;
  std::string path_;
  std::unique_ptr<char[]> buf_;
  size_t beg_ = 0;       // first unconsumed byte in buf_
  size_t end_ = 0;       // end of valid bytes in buf_
  bool eof_ = false;
  bool midLine_ = false;  // the last piece did not end its line
  Status status_;
  int64_t line_ = 0;
  int64_t consumed_ = 0;
};

// Calls line(text, number) for every whole line of cursor (numbered from
// 1), stopping at the first failure it returns. A line of more than
// maxLine bytes fails with kBadInput "line N of PATH is too long"; a failed
// read with the cursor's failure.
Status ForEachLine(LineCursor& cursor, size_t maxLine,
                   const std::function<Status(const std::string& text, int64_t number)>& line);

}  // namespace quorvane

#endif  // QUORVANE_READERS_LINE_CURSOR_H_
