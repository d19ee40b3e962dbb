#include "setup/path_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/show_msg.h"

namespace quorvane {

namespace {
constexpr size_t kMaxSetting = 998;
}  // namespace

std::string ReadSetting(const std::string& path) {
  // Opened without waiting, so that a FIFO or a device in place of the
  // file never holds the start-up; only a regular file is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "";
  struct stat st {};
  std::string text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char buf[kMaxSetting];
    size_t have = 0;
    for (ssize_t n; have < kMaxSetting && (n = ::read(fd, buf + have, kMaxSetting - have)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      have += static_cast<size_t>(n);
    }
    text.assign(buf, have);
    const size_t lf = text.find('\n');
    if (lf != std::string::npos) text.resize(lf + 1);
  }
  ::close(fd);
  return text;
}

bool WriteSetting(const std::string& path, const std::string& text) {
  // Not truncated before it is known to be a regular file: opening a FIFO
  // for writing would wait for a reader.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
    if (fd >= 0) ::close(fd);
    ShowMsg("can't open " + path);
    return false;
  }
  bool wrote = true;
  for (size_t done = 0; wrote && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    wrote = n > 0;
    done += wrote ? static_cast<size_t>(n) : 0;
  }
  const bool closed = ::close(fd) == 0;
  if (!wrote || !closed) {
    ShowMsg("can't write " + path);
    return false;
  }
  return true;
}

}  // namespace quorvane
