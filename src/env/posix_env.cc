// The Env of the real file system, over POSIX file descriptors.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "env/env.h"

namespace quorvane {
namespace {

// Bytes gathered before one write to the system.
constexpr size_t kWriteBuffer = size_t{1} << 20;
// Pieces at least this long are written without being gathered.
constexpr size_t kDirectWrite = size_t{64} << 10;

// Whether two stats are of one file.
bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Waits of a stream's read are cut in slices of this many milliseconds, so
// that a stop is seen while no writer comes.
constexpr int kWaitSliceMs = 200;

class PosixSequentialFile final : public SequentialFile {
 public:
  // stream: fd is a pipe, FIFO, socket or terminal opened without
  // blocking, so that its waits go through poll.
  PosixSequentialFile(int fd, bool stream) : fd_(fd), stream_(stream) {}
  ~PosixSequentialFile() override { ::close(fd_); }

  void SetWaitAbort(WaitAbort abort) override { abort_ = std::move(abort); }

  Status Read(char* buf, size_t n, size_t& got) override {
    got = 0;
    // A FIFO that no writer has opened yet reads as ended: its first data
    // (or a writer that came and went) is waited for before any read.
    if (stream_ && !started_) {
      Status st = Wait();
      if (!st.ok()) return st;
      started_ = true;
    }
    for (;;) {
      const ssize_t r = ::read(fd_, buf, n);
      if (r >= 0) {
        got = static_cast<size_t>(r);
        return Status::OK();
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        Status st = Wait();
        if (!st.ok()) return st;
        continue;
      }
      if (errno != EINTR) return Status::IoError(std::strerror(errno));
    }
  }

 private:
  // Until the stream has data, or its writers are gone, or the abort says
  // to stop.
  Status Wait() {
    pollfd p{fd_, POLLIN, 0};
    for (;;) {
      if (abort_ && abort_()) return Status::Interrupted("");
      const int r = ::poll(&p, 1, kWaitSliceMs);
      if (r > 0) return Status::OK();
      if (r < 0 && errno != EINTR) return Status::IoError(std::strerror(errno));
    }
  }

  int fd_;
  bool stream_;
  bool started_ = false;
  WaitAbort abort_;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) { buf_.reserve(kWriteBuffer); }
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Append(std::string_view data) override {
    // Large pieces go out at once rather than through the buffer.
    if (buf_.size() + data.size() > kWriteBuffer || data.size() >= kDirectWrite) {
      Status st = Flush();
      if (!st.ok()) return st;
      if (data.size() >= kDirectWrite) return WriteAll(data.data(), data.size());
    }
    buf_.append(data);
    return Status::OK();
  }

  Status Flush() override {
    Status st = WriteAll(buf_.data(), buf_.size());
    buf_.clear();
    return st;
  }

  Status Close() override {
    Status st = Flush();
    if (fd_ >= 0 && ::close(fd_) != 0 && st.ok()) st = Status::IoError(std::strerror(errno));
    fd_ = -1;
    return st;
  }

 private:
  Status WriteAll(const char* p, size_t n) {
    if (fd_ < 0) return Status::IoError("file is closed");
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        return Status::IoError(std::strerror(errno));
      }
      p += w;
      n -= static_cast<size_t>(w);
    }
    return Status::OK();
  }

  int fd_;
  std::string buf_;
};

// The lock's file stays locked while its descriptor is open; the lock is
// given up by removing the file first, so that a holder that opened the
// old file sees that it no longer has the name.
class PosixFileLock final : public FileLock {
 public:
  PosixFileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFileLock() override {
    ::unlink(path_.c_str());
    ::close(fd_);
  }

 private:
  int fd_;
  std::string path_;
};

class PosixEnv final : public Env {
 public:
  Status NewSequentialFile(const std::string& path, std::unique_ptr<SequentialFile>& file) override {
    // Opened without blocking, so that a FIFO without a writer does not
    // hold the open; files and devices read blocking as usual.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Status::CantOpen(std::strerror(errno));
    struct stat st;
    const bool stream = ::fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || ::isatty(fd));
    if (!stream) {
      const int flags = ::fcntl(fd, F_GETFL);
      if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int e = errno;
        ::close(fd);
        return Status::CantOpen(std::strerror(e));
      }
    }
    file = std::make_unique<PosixSequentialFile>(fd, stream);
    return Status::OK();
  }

  Status NewWritableFile(const std::string& path, std::unique_ptr<WritableFile>& file) override {
    return OpenForWriting(path, O_TRUNC, file);
  }

  Status NewAppendableFile(const std::string& path, std::unique_ptr<WritableFile>& file) override {
    return OpenForWriting(path, O_APPEND, file);
  }

  Status NewExclusiveFile(const std::string& path, std::unique_ptr<WritableFile>& file) override {
    return OpenForWriting(path, O_EXCL, file);
  }

  Status LinkFile(const std::string& from, const std::string& to) override {
    if (::link(from.c_str(), to.c_str()) != 0) return Status::IoError(std::strerror(errno));
    return Status::OK();
  }

  Status RenameFile(const std::string& from, const std::string& to) override {
    if (std::rename(from.c_str(), to.c_str()) != 0) return Status::IoError(std::strerror(errno));
    return Status::OK();
  }

  Status RemoveFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return Status::IoError(std::strerror(errno));
    return Status::OK();
  }

  Status GetFileSize(const std::string& path, int64_t& size) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Status::CantOpen(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return Status::IoError("not a regular file");
    size = static_cast<int64_t>(st.st_size);
    return Status::OK();
  }

  Status AppendFileTo(const std::string& from, const std::string& to) override {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Status::CantOpen("can't open " + from);
    // Not O_APPEND: the kernel copies only into files without it.
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (out < 0) {
      ::close(in);
      return Status::CantOpen("can't open " + to);
    }
    Status st;
    if (::lseek(out, 0, SEEK_END) < 0) st = Status::IoError("can't write " + to);
    bool copied = false;  // the kernel copy reached the end of from
    while (st.ok()) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
      if (n == 0) copied = true;
      if (n <= 0) break;
    }
    // Whatever the kernel did not copy goes through a buffer.
    std::string buf(copied || !st.ok() ? 0 : size_t{1} << 20, '\0');
    while (st.ok() && !copied) {
      const ssize_t r = ::read(in, buf.data(), buf.size());
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) st = Status::IoError("can't read " + from);
      if (r <= 0) break;
      for (ssize_t done = 0; done < r && st.ok();) {
        const ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(r - done));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) st = Status::IoError("can't write " + to);
        done += w > 0 ? w : 0;
      }
    }
    ::close(in);
    if (::close(out) != 0 && st.ok()) st = Status::IoError("can't write " + to);
    return st;
  }

  bool FileExists(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool DirExists(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && SameInode(sa, sb);
  }

  Status LockFile(const std::string& path, std::unique_ptr<FileLock>& lock) override {
    for (;;) {
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0) return Status::CantOpen(std::strerror(errno));
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return Status::Busy("locked");
        return Status::CantOpen(std::strerror(err));
      }
      // The holder before may have given the name up (removed the file)
      // between the open and the lock: then the lock is on no name.
      struct stat held {}, named {};
      if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && SameInode(held, named)) {
        lock = std::make_unique<PosixFileLock>(fd, path);
        return Status::OK();
      }
      ::close(fd);
    }
  }

 private:
  static Status OpenForWriting(const std::string& path, int mode, std::unique_ptr<WritableFile>& file) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0666);
    if (fd < 0) return Status::CantOpen(std::strerror(errno));
    file = std::make_unique<PosixWritableFile>(fd);
    return Status::OK();
  }
};

}  // namespace

Status Env::NewStdoutFile(std::unique_ptr<WritableFile>& file) {
  const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return Status::CantOpen(std::strerror(errno));
  file = std::make_unique<PosixWritableFile>(fd);
  return Status::OK();
}

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

}  // namespace quorvane
