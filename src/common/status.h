// The outcome of an operation that can fail: what kind of failure, and the
// message the user is shown for it. Library code returns a Status; only the
// front ends show it (a message box, a line on standard error).
#ifndef QUORVANE_COMMON_STATUS_H_
#define QUORVANE_COMMON_STATUS_H_

#include <cstdint>
#include <string>
#include <utility>

namespace quorvane {

class Status {
 public:
  enum class Code : uint8_t {
    kOk,
    kCantOpen,     // a file could not be opened or created
    kIoError,      // a read, write, close or rename failed
    kNoMemory,     // an allocation failed
    kBadInput,     // an input file is not what it must be
    kInterrupted,  // the user or a signal stopped the run
    kBusy,         // another run holds the same result files
    kPipeClosed,   // the reader of a pipe we write went away (`| head`)
  };

  // Success.
  Status() = default;
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  static Status OK() { return Status(); }
  static Status CantOpen(std::string m) { return Status(Code::kCantOpen, std::move(m)); }
  static Status IoError(std::string m) { return Status(Code::kIoError, std::move(m)); }
  static Status NoMemory(std::string m) { return Status(Code::kNoMemory, std::move(m)); }
  static Status BadInput(std::string m) { return Status(Code::kBadInput, std::move(m)); }
  static Status Interrupted(std::string m) { return Status(Code::kInterrupted, std::move(m)); }
  static Status Busy(std::string m) { return Status(Code::kBusy, std::move(m)); }
  static Status PipeClosed(std::string m) { return Status(Code::kPipeClosed, std::move(m)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  // The text the user sees, exactly; empty for success.
  const std::string& message() const { return message_; }

 private:
  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace quorvane

#endif  // QUORVANE_COMMON_STATUS_H_
