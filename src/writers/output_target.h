// Where a file that another library writes by its own means goes:
// standard output, a device or FIFO written in place, or a regular file
// written under a temporary name beside it and put in place only once the
// run has succeeded, so that no cut-short file ever stands under the name
// the user gave.
#ifndef QUORVANE_WRITERS_OUTPUT_TARGET_H_
#define QUORVANE_WRITERS_OUTPUT_TARGET_H_

#include <string>

#include "common/status.h"
#include "env/env.h"

namespace quorvane {

// The path that names standard output.
inline constexpr const char* kStdoutPath = "-";

class OutputTarget {
 public:
  OutputTarget() = default;
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;
  // Removes a temporary file that was never put in place.
  ~OutputTarget() { Discard(); }

  // Chooses how path is written: "-" is standard output; an existing
  // device or FIFO, or a link to one, is written in place; anything else
  // gets a new, empty temporary file in the folder of path (of the file a
  // symbolic link names), readable as a file created by the user's umask.
  // Fails with kCantOpen, "can't open " + path, when that file cannot be
  // created or path is a folder. env removes and renames.
  Status Prepare(Env& env, const std::string& path);

  // What to open for writing: "-", the device, or the temporary file.
  const std::string& writePath() const { return write_; }
  // The name for messages: the path as given, "standard output" for "-".
  const std::string& shownPath() const { return shown_; }
  bool toStdout() const { return write_ == kStdoutPath; }
  // Whether the output goes straight to its destination (nothing to rename).
  bool streamed() const { return temp_.empty(); }

  // Renames the temporary file over the final path; nothing to do for a
  // stream. Fails with kIoError, "can't write " + path, and then removes
  // the temporary file.
  Status Commit();
  // Removes the temporary file, if any; the final path is left as it was.
  void Discard();

 private:
  Env* env_ = nullptr;
  std::string write_, shown_;
  std::string final_;  // where the temporary file goes once complete
  std::string temp_;   // the temporary file; empty when streamed or done
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_OUTPUT_TARGET_H_
