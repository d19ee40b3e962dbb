// What the fuzz targets feed the readers: one file held in memory, given
// out in pieces of a chosen size, through an Env that knows only it.
#ifndef QUORVANE_FUZZ_MEM_ENV_H_
#define QUORVANE_FUZZ_MEM_ENV_H_

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "env/env.h"

namespace quorvane::fuzz {

// Reads content in pieces of at most piece bytes, as a pipe would.
class MemFile final : public SequentialFile {
 public:
  MemFile(std::string_view content, size_t piece) : content_(content), piece_(std::max<size_t>(1, piece)) {}
  Status Read(char* buf, size_t n, size_t& got) override {
    got = std::min({n, piece_, content_.size() - at_});
    if (got > 0) std::memcpy(buf, content_.data() + at_, got);
    at_ += got;
    return Status::OK();
  }

 private:
  std::string_view content_;
  size_t piece_;
  size_t at_ = 0;
};

// The one file at path; everything else is missing, and nothing can be
// written. regular: whether the file tells its size, as a regular file
// does, or not, as a stream.
class MemEnv final : public Env {
 public:
  MemEnv(std::string path, std::string content, size_t piece, bool regular)
      : path_(std::move(path)), content_(std::move(content)), piece_(piece), regular_(regular) {}

  Status NewSequentialFile(const std::string& path, std::unique_ptr<SequentialFile>& file) override {
    if (path != path_) return Status::CantOpen("No such file or directory");
    file = std::make_unique<MemFile>(content_, piece_);
    return Status::OK();
  }
  Status NewWritableFile(const std::string&, std::unique_ptr<WritableFile>&) override { return ReadOnly(); }
  Status NewAppendableFile(const std::string&, std::unique_ptr<WritableFile>&) override { return ReadOnly(); }
  Status NewExclusiveFile(const std::string&, std::unique_ptr<WritableFile>&) override { return ReadOnly(); }
  Status LinkFile(const std::string&, const std::string&) override { return ReadOnly(); }
  Status RenameFile(const std::string&, const std::string&) override { return ReadOnly(); }
  Status RemoveFile(const std::string&) override { return ReadOnly(); }
  Status GetFileSize(const std::string& path, int64_t& size) override {
    if (path != path_ || !regular_) return Status::IoError("not a regular file");
    size = static_cast<int64_t>(content_.size());
    return Status::OK();
  }
  bool FileExists(const std::string& path) override { return path == path_; }
  bool DirExists(const std::string&) override { return false; }
  bool SameFile(const std::string& a, const std::string& b) override { return a == b && a == path_; }
  Status LockFile(const std::string&, std::unique_ptr<FileLock>&) override { return ReadOnly(); }

 private:
  static Status ReadOnly() { return Status::CantOpen("Read-only file system"); }

  std::string path_, content_;
  size_t piece_;
  bool regular_;
};

// The size of the pieces a file is read in, chosen by two bits: one byte
// at a time, a few, a buffer's worth, or all at once.
inline size_t PieceSize(unsigned bits) {
  static const size_t kPieces[] = {1, 7, 4096, size_t{1} << 30};
  return kPieces[bits & 3];
}

// content gzip-compressed in members gzip members (as BGZF writes many).
std::string Gzip(std::string_view content, int members);

}  // namespace quorvane::fuzz

#endif  // QUORVANE_FUZZ_MEM_ENV_H_
