#include "saved_index/body_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quorvane {
namespace {

// Bytes handed to the file at once, and between two progress reports.
constexpr uint64_t kChunk = uint64_t{64} << 20;

}  // namespace

BodyWriter::BodyWriter(Env& env, std::string path, uint64_t total, std::function<void(double)> progress)
    : env_(env),
      path_(std::move(path)),
      part_(path_ + ".part-" + std::to_string(::getpid())),
      total_(std::max<uint64_t>(1, total)),
      progress_(std::move(progress)) {}

BodyWriter::~BodyWriter() {
  file_.reset();
  if (partLeft_) env_.RemoveFile(part_);
}

Status BodyWriter::Failed(const Status& st) {
  file_.reset();
  if (partLeft_) env_.RemoveFile(part_);
  partLeft_ = false;
  return st.code() == Status::Code::kCantOpen ? st : Status::IoError("can't write " + path_);
}

Status BodyWriter::Begin(const std::string& meta, uint32_t blockShift) {
  blockBytes_ = uint64_t{1} << blockShift;
  Status st = env_.NewWritableFile(part_, file_);
  if (!st.ok()) {
    file_.reset();
    return Status::CantOpen("can't open " + part_);
  }
  partLeft_ = true;
  st = file_->Append(meta);
  if (!st.ok()) return Failed(st);
  written_ = meta.size();
  return Status::OK();
}

Status BodyWriter::Write(const char* p, uint64_t n) {
  if (file_ == nullptr) return Status::IoError("can't write " + path_);
  while (n > 0) {
    // A piece never runs past the current block, so that each block's
    // checksum is its own.
    const uint64_t k = std::min({n, kChunk, blockBytes_ - inBlock_});
    const Status st = file_->Append(std::string_view(p, static_cast<size_t>(k)));
    if (!st.ok()) return Failed(st);
    crc_ = BlockSum(p, static_cast<size_t>(k), crc_);
    inBlock_ += k;
    if (inBlock_ == blockBytes_) CutBlock();
    const uint64_t before = written_;
    written_ += k;
    p += k;
    n -= k;
    if (progress_ && (written_ / kChunk != before / kChunk || n == 0)) {
      progress_(static_cast<double>(written_) / static_cast<double>(total_));
    }
  }
  return Status::OK();
}

void BodyWriter::CutBlock() {
  if (inBlock_ == 0) return;
  sums_.push_back(crc_);
  crc_ = 0;
  inBlock_ = 0;
}

Status BodyWriter::Section(uint64_t at) {
  if (at < written_) return Failed(Status::IoError(""));
  static const char zeros[kIndexAlign] = {};
  while (written_ < at) {
    const Status st = Write(zeros, std::min<uint64_t>(sizeof zeros, at - written_));
    if (!st.ok()) return st;
  }
  CutBlock();
  return Status::OK();
}

Status BodyWriter::Append(const void* data, uint64_t n) { return Write(static_cast<const char*>(data), n); }

Status BodyWriter::Finish(uint64_t sumsAt) {
  if (file_ == nullptr) return Status::IoError("can't write " + path_);
  Status st = Section(sumsAt);
  if (!st.ok()) return st;
  IndexTail tail;
  tail.sumsChecksum = BlockSum(sums_.data(), sums_.size() * sizeof(uint64_t));
  std::memcpy(tail.mark, kIndexEndMark, sizeof tail.mark);
  st = file_->Append(std::string_view(reinterpret_cast<const char*>(sums_.data()), sums_.size() * sizeof(uint64_t)));
  if (st.ok()) st = file_->Append(std::string_view(reinterpret_cast<const char*>(&tail), sizeof tail));
  if (st.ok()) st = file_->Flush();
  const Status closed = file_->Close();
  file_.reset();
  if (st.ok()) st = closed;
  if (st.ok()) st = env_.RenameFile(part_, path_);
  if (!st.ok()) return Failed(st);
  partLeft_ = false;
  if (progress_) progress_(1.0);
  return Status::OK();
}

}  // namespace quorvane
