#include "readers/line_cursor.h"

#include <algorithm>
#include <cstring>

namespace quorvane {
namespace {
constexpr size_t kBufSize = size_t{1} << 20;
}  // namespace

LineCursor::LineCursor(std::unique_ptr<SequentialFile> file, std::string path)
    : file_(std::move(file)), path_(std::move(path)), buf_(new char[kBufSize]) {}

bool LineCursor::Refill() {
  if (eof_ || !status_.ok()) return false;
  if (beg_ > 0) {
    std::memmove(buf_.get(), buf_.get() + beg_, end_ - beg_);
    end_ -= beg_;
    beg_ = 0;
  }
  if (end_ == kBufSize) return true;  // full: the caller takes a piece
  size_t got = 0;
  const Status st = file_->Read(buf_.get() + end_, kBufSize - end_, got);
  if (!st.ok()) {
    status_ = ReadFailure(st, path_);
    return false;
  }
  end_ += got;
  if (got == 0) eof_ = true;
  return got > 0;
}

Status LineCursor::Peek(std::string_view& head) {
  // Enough to see the first character that is not white space; a pipe is
  // not waited on for more.
  auto seen = [&] {
    for (size_t i = beg_; i < end_; ++i) {
      const char c = buf_[i];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return true;
    }
    return false;
  };
  while (!seen() && end_ - beg_ < kBufSize && Refill()) {
  }
  if (!status_.ok()) return status_;
  head = std::string_view(buf_.get() + beg_, end_ - beg_);
  return Status::OK();
}

Status LineCursor::ReadRaw(char* buf, size_t n, size_t& got) {
  got = 0;
  if (beg_ < end_) {
    got = std::min(n, end_ - beg_);
    std::memcpy(buf, buf_.get() + beg_, got);
    beg_ += got;
  } else if (!eof_) {
    const Status st = file_->Read(buf, n, got);
    if (!st.ok()) return ReadFailure(st, path_);
  }
  consumed_ += static_cast<int64_t>(got);
  return Status::OK();
}

Status LineCursor::Next(Piece& piece, bool& more) {
  for (;;) {
    const char* base = buf_.get() + beg_;
    const size_t have = end_ - beg_;
    if (const void* nl = std::memchr(base, '\n', have)) {
      const size_t len = static_cast<size_t>(static_cast<const char*>(nl) - base);
      return Take(piece, more, len, len + 1, true);
    }
    // A full buffer without a line end gives a piece of a long line. Its
    // last byte stays, in case it is the CR of a CR LF.
    if (have == kBufSize) return Take(piece, more, have - 1, have - 1, false);
    if (Refill()) continue;
    if (!status_.ok()) {
      more = false;
      return status_;
    }
    if (have > 0) return Take(piece, more, have, have, true);  // the last line, without a line end
    more = false;
    return Status::OK();
  }
}

Status LineCursor::Take(Piece& piece, bool& more, size_t len, size_t used, bool eol) {
  const char* base = buf_.get() + beg_;
  piece.first = !midLine_;
  piece.eol = eol;
  if (piece.first) ++line_;
  if (eol && len > 0 && base[len - 1] == '\r') --len;
  piece.text = std::string_view(base, len);
  midLine_ = !eol;
  beg_ += used;
  consumed_ += static_cast<int64_t>(used);
  more = true;
  return Status::OK();
}

Status ForEachLine(LineCursor& cursor, size_t maxLine,
                   const std::function<Status(const std::string& text, int64_t number)>& line) {
  std::string text;
  LineCursor::Piece piece;
  bool more = true;
  while (true) {
    Status st = cursor.Next(piece, more);
    if (!st.ok()) return st;
    if (!more) return Status::OK();
    if (piece.first) text.clear();
    if (text.size() + piece.text.size() > maxLine) {
      return Status::BadInput("line " + std::to_string(cursor.line()) + " of " + cursor.path() + " is too long");
    }
    text.append(piece.text);
    if (!piece.eol) continue;
    st = line(text, cursor.line());
    if (!st.ok()) return st;
  }
}

}  // namespace quorvane
