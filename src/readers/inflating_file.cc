#include "readers/inflating_file.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

constexpr size_t kInBuffer = size_t{256} << 10;

// Decompresses with ISA-L's inflate, two to three times as fast as zlib's,
// so that a gzipped reads file costs little more than a plain one.
class InflatingFile final : public SequentialFile {
 public:
  InflatingFile(std::unique_ptr<SequentialFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)), in_(kInBuffer), z_(std::make_unique<inflate_state>()) {}

  bool gzip() const { return gzip_; }

  // Reads the first bytes and decides whether the stream is compressed.
  Status Start() {
    Status st = Fill();
    if (!st.ok()) return st;
    // The magic may arrive in two reads from a pipe.
    while (avail_ < 2 && !eof_) {
      st = Fill();
      if (!st.ok()) return st;
    }
    gzip_ = avail_ >= 2 && next_[0] == 0x1f && next_[1] == 0x8b;
    if (gzip_) NewMember();
    return Status::OK();
  }

  Status Read(char* buf, size_t n, size_t& got) override {
    got = 0;
    if (!gzip_) return ReadRaw(buf, n, got);
    while (got == 0 && n > 0) {
      if (avail_ == 0 && !eof_) {
        Status st = Fill();
        if (!st.ok()) return st;
      }
      if (avail_ == 0 && eof_) {
        // A stream that ends inside a member is damaged.
        if (inMember_) return Status::IoError("can't read " + path_);
        return Status::OK();
      }
      if (!inMember_) {
        // Another member follows (BGZF is a chain of them); padding of
        // zero bytes after the last one is allowed.
        if (next_[0] == 0) {
          ++next_;
          --avail_;
          continue;
        }
        NewMember();
      }
      z_->next_in = const_cast<uint8_t*>(next_);
      z_->avail_in = static_cast<uint32_t>(avail_);
      z_->next_out = reinterpret_cast<uint8_t*>(buf);
      z_->avail_out = static_cast<uint32_t>(std::min<size_t>(n, 1u << 30));
      const int rc = isal_inflate(z_.get());
      got = static_cast<size_t>(reinterpret_cast<char*>(z_->next_out) - buf);
      next_ = z_->next_in;
      avail_ = z_->avail_in;
      if (rc < 0) return Status::IoError("can't read " + path_);
      if (z_->block_state == ISAL_BLOCK_FINISH) inMember_ = false;
    }
    return Status::OK();
  }

 private:
  // Starts decompressing a gzip member: its header, data and trailer,
  // whose CRC and length are checked.
  void NewMember() {
    isal_inflate_init(z_.get());
    z_->crc_flag = ISAL_GZIP;
    inMember_ = true;
  }

  // Appends more raw bytes after the unconsumed ones.
  Status Fill() {
    const size_t keep = avail_;
    if (keep > 0 && next_ != in_.data()) std::memmove(in_.data(), next_, keep);
    size_t got = 0;
    const Status st = file_->Read(reinterpret_cast<char*>(in_.data()) + keep, in_.size() - keep, got);
    if (!st.ok()) return ReadFailure(st, path_);
    if (got == 0) eof_ = true;
    next_ = in_.data();
    avail_ = keep + got;
    return Status::OK();
  }

  // An uncompressed stream: first what Start read, then the file itself.
  Status ReadRaw(char* buf, size_t n, size_t& got) {
    if (avail_ > 0) {
      got = std::min(n, avail_);
      std::memcpy(buf, next_, got);
      next_ += got;
      avail_ -= got;
      return Status::OK();
    }
    if (eof_) return Status::OK();
    const Status st = file_->Read(buf, n, got);
    return st.ok() ? st : ReadFailure(st, path_);
  }

  std::unique_ptr<SequentialFile> file_;
  std::string path_;
  std::vector<uint8_t> in_;       // raw bytes read
  const uint8_t* next_ = nullptr;  // of them, the first not yet consumed
  size_t avail_ = 0;               // and how many are left
  std::unique_ptr<inflate_state> z_;  // large: its window and tables
  bool gzip_ = false, inMember_ = false, eof_ = false;
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
