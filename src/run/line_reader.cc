#include "run/line_reader.h"

#include <cstring>

namespace quorvane {

namespace {
constexpr size_t kBufSize = size_t{1} << 20;
}  // namespace

LineReader::LineReader(std::FILE* f) : f_(f), buf_(new char[kBufSize]) {}

bool LineReader::Refill() {
  if (eof_ || error_) return false;
  if (beg_ > 0) {
    std::memmove(buf_.get(), buf_.get() + beg_, end_ - beg_);
    end_ -= beg_;
    beg_ = 0;
  }
  const size_t got = std::fread(buf_.get() + end_, 1, kBufSize - end_, f_);
  end_ += got;
  if (got == 0) {
    if (std::ferror(f_)) {
      error_ = true;
    } else {
      eof_ = true;
    }
    return false;
  }
  return true;
}

LineReader::Next LineReader::ReadLine(std::string_view& line) {
  bool tooLong = false;
  for (;;) {
    const char* base = buf_.get();
    const void* nl = std::memchr(base + beg_, '\n', end_ - beg_);
    if (nl != nullptr) {
      const size_t at = static_cast<const char*>(nl) - base;
      size_t len = at - beg_;
      const char* start = base + beg_;
      consumed_ += static_cast<int64_t>(len + 1);
      beg_ = at + 1;
      if (len > 0 && start[len - 1] == '\r') --len;
      if (tooLong || len > kMaxLineLen) return Next::kLong;
      line = std::string_view(start, len);
      return Next::kLine;
    }
    // No line end among the buffered bytes. A line already past the limit
    // is dropped as it streams by; its end is all that matters now.
    if (end_ - beg_ > kMaxLineLen + 1) {
      tooLong = true;
      consumed_ += static_cast<int64_t>(end_ - beg_);
      beg_ = end_ = 0;
    }
    if (!Refill()) {
      if (error_) return Next::kError;
      if (beg_ == end_) {
        if (tooLong) return Next::kLong;
        return Next::kEnd;
      }
      // The last line, without a line end.
      const char* start = base + beg_;
      size_t len = end_ - beg_;
      consumed_ += static_cast<int64_t>(len);
      beg_ = end_;
      if (start[len - 1] == '\r') --len;
      if (tooLong || len > kMaxLineLen) return Next::kLong;
      line = std::string_view(start, len);
      return Next::kLine;
    }
  }
}

}  // namespace quorvane
