#include "fault_env.h"

#include <algorithm>
#include <new>

namespace quorvane::test {
namespace {

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

template <typename C>
auto Find(C& rules, const std::string& path) {
  for (auto it = rules.begin(); it != rules.end(); ++it) {
    if (EndsWith(path, *it)) return it;
  }
  return rules.end();
}

template <typename V>
const int64_t* Budget(const std::map<std::string, V>& rules, const std::string& path) {
  for (const auto& [suffix, bytes] : rules) {
    if (EndsWith(path, suffix)) return &bytes;
  }
  return nullptr;
}

class FaultyReader final : public SequentialFile {
 public:
  FaultyReader(std::unique_ptr<SequentialFile> base, int64_t budget) : base_(std::move(base)), left_(budget) {}
  void SetWaitAbort(WaitAbort abort) override { base_->SetWaitAbort(std::move(abort)); }
  Status Read(char* buf, size_t n, size_t& got) override {
    if (left_ <= 0) {
      got = 0;
      return Status::IoError("input/output error");
    }
    Status st = base_->Read(buf, std::min<size_t>(n, static_cast<size_t>(left_)), got);
    left_ -= static_cast<int64_t>(got);
    return st;
  }

 private:
  std::unique_ptr<SequentialFile> base_;
  int64_t left_;
};

class FaultyWriter final : public WritableFile {
 public:
  FaultyWriter(std::unique_ptr<WritableFile> base, int64_t fail, int64_t raise, bool failClose)
      : base_(std::move(base)), failLeft_(fail), raiseLeft_(raise), failClose_(failClose) {}
  Status Append(std::string_view data) override {
    if (raiseLeft_ >= 0 && static_cast<int64_t>(data.size()) > raiseLeft_) throw std::bad_alloc();
    if (raiseLeft_ >= 0) raiseLeft_ -= static_cast<int64_t>(data.size());
    if (failLeft_ >= 0 && static_cast<int64_t>(data.size()) > failLeft_) {
      // What fits goes out, as on a disk that fills up.
      base_->Append(data.substr(0, static_cast<size_t>(failLeft_)));
      failLeft_ = 0;
      return Status::IoError("No space left on device");
    }
    if (failLeft_ >= 0) failLeft_ -= static_cast<int64_t>(data.size());
    return base_->Append(data);
  }
  Status Flush() override { return base_->Flush(); }
  Status Close() override {
    Status st = base_->Close();
    return failClose_ ? Status::IoError("No space left on device") : st;
  }

 private:
  std::unique_ptr<WritableFile> base_;
  int64_t failLeft_;   // bytes that may still be written; -1 for no limit
  int64_t raiseLeft_;  // bytes before memory runs out; -1 for never
  bool failClose_;
};

}  // namespace

Status FaultEnv::NewSequentialFile(const std::string& path, std::unique_ptr<SequentialFile>& file) {
  if (Find(failOpen_, path) != failOpen_.end()) return Status::CantOpen("Permission denied");
  Status st = base_->NewSequentialFile(path, file);
  if (!st.ok()) return st;
  if (const int64_t* b = Budget(readBudget_, path)) file = std::make_unique<FaultyReader>(std::move(file), *b);
  return st;
}

Status FaultEnv::Wrap(const std::string& path, std::unique_ptr<WritableFile>& file) {
  const int64_t* fail = Budget(writeBudget_, path);
  const int64_t* raise = Budget(throwBudget_, path);
  const bool failClose = Find(failClose_, path) != failClose_.end();
  if (fail != nullptr || raise != nullptr || failClose) {
    file = std::make_unique<FaultyWriter>(std::move(file), fail ? *fail : -1, raise ? *raise : -1, failClose);
  }
  return Status::OK();
}

Status FaultEnv::NewWritableFile(const std::string& path, std::unique_ptr<WritableFile>& file) {
  if (Find(failOpen_, path) != failOpen_.end()) return Status::CantOpen("Permission denied");
  Status st = base_->NewWritableFile(path, file);
  return st.ok() ? Wrap(path, file) : st;
}

Status FaultEnv::NewAppendableFile(const std::string& path, std::unique_ptr<WritableFile>& file) {
  if (Find(failOpen_, path) != failOpen_.end()) return Status::CantOpen("Permission denied");
  Status st = base_->NewAppendableFile(path, file);
  return st.ok() ? Wrap(path, file) : st;
}

Status FaultEnv::NewExclusiveFile(const std::string& path, std::unique_ptr<WritableFile>& file) {
  if (Find(failOpen_, path) != failOpen_.end()) return Status::CantOpen("Permission denied");
  Status st = base_->NewExclusiveFile(path, file);
  return st.ok() ? Wrap(path, file) : st;
}

Status FaultEnv::RenameFile(const std::string& from, const std::string& to) {
  if (Find(failRename_, to) != failRename_.end()) return Status::IoError("Read-only file system");
  return base_->RenameFile(from, to);
}

}  // namespace quorvane::test
