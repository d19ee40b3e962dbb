#include "writers/result_stage.h"

namespace quorvane {
namespace {

// The hidden name beside path: its folder, then "." + tag + its name.
std::string Beside(const std::string& path, const char* tag) {
  const size_t slash = path.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name) + "." + tag + path.substr(name);
}

}  // namespace

ResultStage::ResultStage(Env& env, std::string stem) : env_(env), stem_(std::move(stem)) {}

ResultStage::~ResultStage() {
  Abort();
  lock_.reset();
}

void ResultStage::Protect(const std::string& path) { inputs_.push_back(path); }

bool ResultStage::IsInput(const std::string& path) {
  for (const std::string& in : inputs_) {
    if (env_.SameFile(path, in)) return true;
  }
  return false;
}

void ResultStage::ClearLeftovers(const Staged& s) {
  // Only this run may use these names now: whatever is there was left by
  // a run that died. A former file that a commit had moved aside goes
  // back where it was; nothing that is an input is removed.
  if (IsInput(s.part) || IsInput(s.old)) return;
  env_.RemoveFile(s.part);
  if (!env_.FileExists(s.final) && env_.FileExists(s.old) && env_.RenameFile(s.old, s.final).ok()) return;
  env_.RemoveFile(s.old);
}

Status ResultStage::Create(const std::string& final, std::unique_ptr<WritableFile>& file) {
  if (!lock_) {
    const Status st = env_.LockFile(Beside(stem_, "lock-"), lock_);
    if (st.code() == Status::Code::kBusy) return Status::Busy("another run writes these results\n" + stem_);
    if (!st.ok()) return Status::CantOpen("can't open " + final);
  }
  if (IsInput(final)) return Status::BadInput("result file is an input file\n" + final);
  Staged s;
  s.final = final;
  s.part = Beside(final, "part-");
  s.old = Beside(final, "old-");
  ClearLeftovers(s);
  if (!env_.NewExclusiveFile(s.part, file).ok()) return Status::CantOpen("can't open " + final);
  files_.push_back(std::move(s));
  return Status::OK();
}

Status ResultStage::Commit() {
  for (size_t i = 0; i < files_.size(); ++i) {
    Staged& s = files_[i];
    // The former file keeps a second name until every file is in place,
    // so that a failure can still give it back. Where the file system has
    // no hard links it is moved aside instead.
    if (env_.LinkFile(s.final, s.old).ok()) {
      s.kept = true;
    } else if (env_.RenameFile(s.final, s.old).ok()) {
      s.moved = true;
    }
    const bool formerSafe = s.kept || s.moved || !env_.FileExists(s.final);
    if (!formerSafe || !env_.RenameFile(s.part, s.final).ok()) {
      const Status st = Status::IoError("can't write " + s.final);
      Restore(i + 1);
      Abort();
      return st;
    }
    s.placed = true;
  }
  for (const Staged& s : files_) {
    if (s.kept || s.moved) env_.RemoveFile(s.old);
  }
  files_.clear();
  return Status::OK();
}

void ResultStage::Restore(size_t n) {
  for (size_t i = 0; i < n; ++i) {
    Staged& s = files_[i];
    if (s.kept || s.moved) {
      // Back under its name: the run's file, if placed, is replaced.
      if (s.placed || s.moved) {
        if (env_.RenameFile(s.old, s.final).ok()) s.kept = s.moved = false;
      } else {
        env_.RemoveFile(s.old);
        s.kept = false;
      }
    } else if (s.placed) {
      env_.RemoveFile(s.final);
    }
    s.placed = false;
  }
}

void ResultStage::Abort() {
  for (const Staged& s : files_) {
    if (!s.placed) env_.RemoveFile(s.part);
  }
  files_.clear();
}

Status CloseInOrder(std::unique_ptr<WritableFile>* files, const std::string* paths, int n, bool& failed) {
  Status st;
  for (int i = 0; i < n; ++i) {
    if (!files[i]) continue;
    const bool closed = files[i]->Close().ok();
    files[i].reset();
    if (!closed && !failed) {
      failed = true;
      st = Status::IoError("can't write " + paths[i]);
    }
  }
  return st;
}

}  // namespace quorvane
