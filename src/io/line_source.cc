#include "io/line_source.h"

#include <cstring>

namespace quorvane {
namespace {
constexpr size_t kBufSize = size_t{1} << 20;
}  // namespace

LineSource::LineSource(std::unique_ptr<SequentialFile> file, std::string path)
    : file_(std::move(file)), path_(std::move(path)), buf_(new char[kBufSize]) {}

bool LineSource::Refill() {
  if (eof_ || !status_.ok()) return false;
  if (beg_ > 0) {
    std::memmove(buf_.get(), buf_.get() + beg_, end_ - beg_);
    end_ -= beg_;
    beg_ = 0;
  }
  size_t got = 0;
  if (!file_->Read(buf_.get() + end_, kBufSize - end_, got).ok()) {
    status_ = Status::IoError("can't read " + path_);
    return false;
  }
  end_ += got;
  if (got == 0) eof_ = true;
  return got > 0;
}

Status LineSource::Next(ReadRecord& r, bool& more) {
  r = ReadRecord();
  int64_t dropped = 0;  // characters of the current line dropped as they streamed by
  bool lf = false;
  size_t len = 0;
  for (;;) {
    const char* base = buf_.get();
    const void* nl = std::memchr(base + beg_, '\n', end_ - beg_);
    if (nl != nullptr) {
      len = static_cast<size_t>(static_cast<const char*>(nl) - (base + beg_));
      lf = true;
      break;
    }
    // A line already past the limit is dropped as it streams by; its
    // length and its end are all that count. Its last byte stays, in case
    // it is the CR of a CR LF.
    if (end_ - beg_ > static_cast<size_t>(kMaxLineLen) + 1) {
      const size_t drop = end_ - beg_ - 1;
      dropped += static_cast<int64_t>(drop);
      consumed_ += static_cast<int64_t>(drop);
      beg_ += drop;
    }
    if (!Refill()) {
      if (!status_.ok()) {
        more = false;
        return status_;
      }
      if (beg_ == end_ && dropped == 0) {
        more = false;
        return Status::OK();
      }
      len = end_ - beg_;  // the last line, without a line end
      break;
    }
  }
  const char* start = buf_.get() + beg_;
  consumed_ += static_cast<int64_t>(len + (lf ? 1 : 0));
  beg_ += len + (lf ? 1 : 0);
  if (len > 0 && start[len - 1] == '\r') --len;
  more = true;
  r.length = dropped + static_cast<int64_t>(len);
  if (dropped == 0 && len <= static_cast<size_t>(kMaxLineLen)) r.seq = std::string_view(start, len);
  return Status::OK();
}

}  // namespace quorvane
