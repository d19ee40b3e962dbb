#include "writers/output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace quorvane {
namespace {

// Tries before giving up on finding a free temporary name.
constexpr int kTempTries = 100;

// The file a path names once its symbolic links are followed; the path
// itself when that cannot be told (a missing folder fails later).
std::string Resolved(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

// A name beside final that no file has yet, created empty with the
// permissions the umask gives a new file.
bool CreateTemp(const std::string& final, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  const auto now = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int i = 0; i < kTempTries; ++i) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%lx.%u", static_cast<long>(getpid()), now & 0xffffffUL,
                  counter.fetch_add(1));
    temp = final + suffix;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EEXIST) break;
  }
  temp.clear();
  return false;
}

}  // namespace

Status OutputTarget::Prepare(Env& env, const std::string& path) {
  Discard();
  env_ = &env;
  temp_.clear();
  if (path == kStdoutPath) {
    write_ = path;
    shown_ = "standard output";
    return Status::OK();
  }
  shown_ = path;
  final_ = Resolved(path);
  struct stat st {};
  if (::stat(final_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) return Status::CantOpen("can't open " + path);
    write_ = final_;  // a device or a FIFO: renaming over it would replace it
    return Status::OK();
  }
  if (!CreateTemp(final_, temp_)) return Status::CantOpen("can't open " + path);
  write_ = temp_;
  return Status::OK();
}

Status OutputTarget::Commit() {
  if (temp_.empty()) return Status::OK();
  if (!env_->RenameFile(temp_, final_).ok()) {
    Discard();
    return Status::IoError("can't write " + shown_);
  }
  temp_.clear();
  return Status::OK();
}

void OutputTarget::Discard() {
  if (temp_.empty()) return;
  env_->RemoveFile(temp_);
  temp_.clear();
}

}  // namespace quorvane
