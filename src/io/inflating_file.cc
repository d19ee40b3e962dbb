#include "io/inflating_file.h"

#include <zlib.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

constexpr size_t kInBuffer = size_t{256} << 10;

class InflatingFile final : public SequentialFile {
 public:
  InflatingFile(std::unique_ptr<SequentialFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)), in_(kInBuffer) {}
  ~InflatingFile() override {
    if (zInit_) inflateEnd(&z_);
  }

  bool gzip() const { return gzip_; }

  // Reads the first bytes and decides whether the stream is compressed.
  Status Start() {
    Status st = Fill();
    if (!st.ok()) return st;
    // The magic may arrive in two reads from a pipe.
    while (z_.avail_in < 2 && !eof_) {
      st = Fill();
      if (!st.ok()) return st;
    }
    gzip_ = z_.avail_in >= 2 && z_.next_in[0] == 0x1f && z_.next_in[1] == 0x8b;
    if (gzip_) {
      Bytef* next = z_.next_in;
      const uInt avail = z_.avail_in;
      std::memset(&z_, 0, sizeof z_);
      z_.next_in = next;
      z_.avail_in = avail;
      if (inflateInit2(&z_, 15 + 16) != Z_OK) return Status::NoMemory("no mem sqD and sqC");
      zInit_ = true;
      inMember_ = true;
    }
    return Status::OK();
  }

  Status Read(char* buf, size_t n, size_t& got) override {
    got = 0;
    if (!gzip_) return ReadRaw(buf, n, got);
    while (got == 0 && n > 0) {
      if (z_.avail_in == 0 && !eof_) {
        Status st = Fill();
        if (!st.ok()) return st;
      }
      if (z_.avail_in == 0 && eof_) {
        // A stream that ends inside a member is damaged.
        if (inMember_) return Status::IoError("can't read " + path_);
        return Status::OK();
      }
      if (!inMember_) {
        // Another member follows (BGZF is a chain of them); padding of
        // zero bytes after the last one is allowed.
        if (z_.next_in[0] == 0) {
          ++z_.next_in;
          --z_.avail_in;
          continue;
        }
        if (inflateReset(&z_) != Z_OK) return Status::IoError("can't read " + path_);
        inMember_ = true;
      }
      z_.next_out = reinterpret_cast<Bytef*>(buf);
      z_.avail_out = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
      const int rc = inflate(&z_, Z_NO_FLUSH);
      got = static_cast<size_t>(reinterpret_cast<char*>(z_.next_out) - buf);
      if (rc == Z_STREAM_END) {
        inMember_ = false;
      } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && got > 0)) {
        return Status::IoError("can't read " + path_);
      }
    }
    return Status::OK();
  }

 private:
  // Appends more raw bytes after the unconsumed ones.
  Status Fill() {
    const size_t keep = z_.avail_in;
    if (keep > 0 && z_.next_in != reinterpret_cast<Bytef*>(in_.data())) {
      std::memmove(in_.data(), z_.next_in, keep);
    }
    size_t got = 0;
    const Status st = file_->Read(in_.data() + keep, in_.size() - keep, got);
    if (!st.ok()) return ReadFailure(st, path_);
    if (got == 0) eof_ = true;
    z_.next_in = reinterpret_cast<Bytef*>(in_.data());
    z_.avail_in = static_cast<uInt>(keep + got);
    return Status::OK();
  }

  // An uncompressed stream: first what Start read, then the file itself.
  Status ReadRaw(char* buf, size_t n, size_t& got) {
    if (z_.avail_in > 0) {
      got = std::min<size_t>(n, z_.avail_in);
      std::memcpy(buf, z_.next_in, got);
      z_.next_in += got;
      z_.avail_in -= static_cast<uInt>(got);
      return Status::OK();
    }
    if (eof_) return Status::OK();
    const Status st = file_->Read(buf, n, got);
    return st.ok() ? st : ReadFailure(st, path_);
  }

  std::unique_ptr<SequentialFile> file_;
  std::string path_;
  std::vector<char> in_;  // raw bytes read, not yet decompressed
  z_stream z_{};  // before decompression starts, only next_in and avail_in are used
  bool gzip_ = false, zInit_ = false, inMember_ = false, eof_ = false;
};

// Reads on its own thread into a few buffers; the caller takes them in
// order.
class ReadAheadFile final : public SequentialFile {
 public:
  explicit ReadAheadFile(std::unique_ptr<SequentialFile> file) : file_(std::move(file)) {
    worker_ = std::thread([this] { Work(); });
  }
  ~ReadAheadFile() override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      quit_ = true;
    }
    cv_.notify_all();
    worker_.join();
  }

  Status Read(char* buf, size_t n, size_t& got) override {
    got = 0;
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [&] { return !ready_.empty() || done_; });
    if (ready_.empty()) return status_;
    Chunk& front = ready_.front();
    got = std::min(n, front.size - offset_);
    std::memcpy(buf, front.data.get() + offset_, got);
    offset_ += got;
    if (offset_ == front.size) {
      spare_.push_back(std::move(front.data));
      ready_.pop_front();
      offset_ = 0;
      cv_.notify_all();
    }
    return Status::OK();
  }

 private:
  static constexpr size_t kChunk = size_t{1} << 20;
  static constexpr size_t kChunks = 4;

  void Work() {
    for (;;) {
      Chunk chunk;
      {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [&] { return quit_ || ready_.size() < kChunks; });
        if (quit_) return;
        if (!spare_.empty()) {
          chunk.data = std::move(spare_.back());
          spare_.pop_back();
        }
      }
      // Buffers taken by the reader come back through spare_: fresh memory
      // costs the kernel more to hand out than the copying costs.
      if (!chunk.data) chunk.data.reset(new char[kChunk]);
      Status st = file_->Read(chunk.data.get(), kChunk, chunk.size);
      std::lock_guard<std::mutex> lock(mu_);
      if (!st.ok() || chunk.size == 0) {
        status_ = st;
        done_ = true;
        cv_.notify_all();
        return;
      }
      ready_.push_back(std::move(chunk));
      cv_.notify_all();
    }
  }

  std::unique_ptr<SequentialFile> file_;
  std::thread worker_;
  std::mutex mu_;
  std::condition_variable cv_;
  struct Chunk {
    std::unique_ptr<char[]> data;  // kChunk bytes
    size_t size = 0;               // of them read
  };
  std::deque<Chunk> ready_;                      // chunks read, in order
  std::vector<std::unique_ptr<char[]>> spare_;  // buffers of chunks taken
  size_t offset_ = 0;              // bytes of ready_.front() already taken
  bool done_ = false;              // the file ended or failed
  bool quit_ = false;
  Status status_;                  // why it ended, when it failed
};

}  // namespace

Status OpenInflating(std::unique_ptr<SequentialFile> file, std::string path, std::unique_ptr<SequentialFile>& out,
                     bool& compressed) {
  auto f = std::make_unique<InflatingFile>(std::move(file), std::move(path));
  Status st = f->Start();
  if (!st.ok()) return st;
  compressed = f->gzip();
  out = std::move(f);
  return Status::OK();
}

std::unique_ptr<SequentialFile> NewReadAheadFile(std::unique_ptr<SequentialFile> file) {
  return std::make_unique<ReadAheadFile>(std::move(file));
}

}  // namespace quorvane
