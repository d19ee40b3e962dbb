// A file system that fails where a test tells it to: an open, a read after
// so many bytes, a write after so many bytes (a full disk), a close, a
// rename, or memory that runs out while a file is written.
#ifndef QUORVANE_TESTS_FAULT_ENV_H_
#define QUORVANE_TESTS_FAULT_ENV_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "env/env.h"

namespace quorvane::test {

// Every rule names files by the end of their path ("RdsInPos.txt" names
// every file whose path ends so). Everything else goes to the real files.
class FaultEnv final : public Env {
 public:
  void FailOpen(const std::string& suffix) { failOpen_.insert(suffix); }
  void FailReadAfter(const std::string& suffix, int64_t bytes) { readBudget_[suffix] = bytes; }
  void FailWriteAfter(const std::string& suffix, int64_t bytes) { writeBudget_[suffix] = bytes; }
  void ThrowOnWriteAfter(const std::string& suffix, int64_t bytes) { throwBudget_[suffix] = bytes; }
  void FailClose(const std::string& suffix) { failClose_.insert(suffix); }
  void FailRename(const std::string& suffix) { failRename_.insert(suffix); }

  Status NewSequentialFile(const std::string& path, std::unique_ptr<SequentialFile>& file) override;
  Status NewWritableFile(const std::string& path, std::unique_ptr<WritableFile>& file) override;
  Status NewAppendableFile(const std::string& path, std::unique_ptr<WritableFile>& file) override;
  Status NewExclusiveFile(const std::string& path, std::unique_ptr<WritableFile>& file) override;
  Status LinkFile(const std::string& from, const std::string& to) override { return base_->LinkFile(from, to); }
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status RemoveFile(const std::string& path) override { return base_->RemoveFile(path); }
  Status GetFileSize(const std::string& path, int64_t& size) override { return base_->GetFileSize(path, size); }
  bool FileExists(const std::string& path) override { return base_->FileExists(path); }
  bool DirExists(const std::string& path) override { return base_->DirExists(path); }
  bool SameFile(const std::string& a, const std::string& b) override { return base_->SameFile(a, b); }
  Status LockFile(const std::string& path, std::unique_ptr<FileLock>& lock) override {
    return base_->LockFile(path, lock);
  }

 private:
  Status Wrap(const std::string& path, std::unique_ptr<WritableFile>& file);

  Env* base_ = Env::Default();
  std::set<std::string> failOpen_, failClose_, failRename_;
  std::map<std::string, int64_t> readBudget_, writeBudget_, throwBudget_;
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_FAULT_ENV_H_
