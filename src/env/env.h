// The file system as the run sees it. Every file the library reads or
// writes goes through an Env, so that tests can make any step fail: an
// open, a read, a write, a close, a rename.
#ifndef QUORVANE_ENV_ENV_H_
#define QUORVANE_ENV_ENV_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/status.h"

namespace quorvane {

// Asked while a read waits for a stream's writer; true ends the wait.
using WaitAbort = std::function<bool()>;

// A file read from its start to its end.
class SequentialFile {
 public:
  virtual ~SequentialFile() = default;
  // Reads up to n bytes into buf and sets got to how many; got 0 with an
  // OK status is the end of the file. On a pipe or FIFO it waits until
  // data or the end arrives (a FIFO that no writer has opened yet has
  // neither), asking the abort set by SetWaitAbort a few times a second;
  // once it says so, fails with kInterrupted.
  virtual Status Read(char* buf, size_t n, size_t& got) = 0;
  // Sets what ends a wait of Read; may be called from another thread than
  // Read's only before the first Read.
  virtual void SetWaitAbort(WaitAbort abort) { (void)abort; }
};

// What a reader of path reports of a failed Read: a stop as it came, any
// other failure as "can't read " + path.
inline Status ReadFailure(const Status& st, const std::string& path) {
  return st.code() == Status::Code::kInterrupted ? st : Status::IoError("can't read " + path);
}

// A file written from its start, through a buffer of its own.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Appends data. A failure (disk full, a closed pipe) is returned here or
  // by a later Append, Flush or Close.
  virtual Status Append(std::string_view data) = 0;
  // Hands the buffered bytes to the system.
  virtual Status Flush() = 0;
  // Flushes and closes; the file is unusable afterwards. A file destroyed
  // without Close is closed without a check.
  virtual Status Close() = 0;
};

// A lock held on a name in a folder; destroying it releases the lock and
// removes its file.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class Env {
 public:
  virtual ~Env() = default;

  // The real file system. Never destroyed.
  static Env* Default();

  // Opens path for reading. Fails with kCantOpen.
  virtual Status NewSequentialFile(const std::string& path, std::unique_ptr<SequentialFile>& file) = 0;
  // Creates path, or empties it when it exists, for writing. Fails with
  // kCantOpen.
  virtual Status NewWritableFile(const std::string& path, std::unique_ptr<WritableFile>& file) = 0;
  // Standard output, through a copy of its descriptor, so that closing
  // the file leaves standard output open for the program's last check.
  virtual Status NewStdoutFile(std::unique_ptr<WritableFile>& file);
  // Opens path for appending at its end, creating it when missing.
  virtual Status NewAppendableFile(const std::string& path, std::unique_ptr<WritableFile>& file) = 0;
  // Creates path for writing; fails with kCantOpen when anything (a file,
  // a link) is there already, so it never writes into another file.
  virtual Status NewExclusiveFile(const std::string& path, std::unique_ptr<WritableFile>& file) = 0;
  // Gives the file at from the second name to (a hard link). Fails where
  // to exists or the file system has no hard links.
  virtual Status LinkFile(const std::string& from, const std::string& to) = 0;
  // Replaces to by from, in one step.
  virtual Status RenameFile(const std::string& from, const std::string& to) = 0;
  // Removes the file at path.
  virtual Status RemoveFile(const std::string& path) = 0;
  // The size in bytes of the regular file at path; fails for a pipe, a
  // device or a folder, whose size tells nothing.
  virtual Status GetFileSize(const std::string& path, int64_t& size) = 0;
  // Appends the whole content of the file at from to the end of the file
  // at to. Fails with kCantOpen when either cannot be opened, kIoError
  // when a read or write fails; the message names the file. This
  // version streams through Read and Append; the real file system copies
  // inside the kernel where it can.
  virtual Status AppendFileTo(const std::string& from, const std::string& to);
  // Whether a file other than a directory exists at path.
  virtual bool FileExists(const std::string& path) = 0;
  // Whether a directory exists at path.
  virtual bool DirExists(const std::string& path) = 0;
  // Whether a and b name one file, through any link; false when either
  // does not exist.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Takes the lock named path, creating its file, without waiting: fails
  // with kBusy while any other holder (this process included) has it,
  // kCantOpen when its file cannot be made. A holder that dies loses it.
  virtual Status LockFile(const std::string& path, std::unique_ptr<FileLock>& lock) = 0;
};

// The first `head` bytes of path (fewer when the file is shorter), read
// once; for the quick checks that look at a file's start.
Status ReadFileHead(Env& env, const std::string& path, size_t head, std::string& out);

}  // namespace quorvane

#endif  // QUORVANE_ENV_ENV_H_
