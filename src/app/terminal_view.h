// The run view of the command line: messages and a progress line on
// standard error.
#ifndef QUORVANE_APP_TERMINAL_VIEW_H_
#define QUORVANE_APP_TERMINAL_VIEW_H_

#include <chrono>
#include <string>

#include "run/run_view.h"

namespace quorvane {

class TerminalView final : public RunView {
 public:
  // quiet silences the progress line; messages are always written.
  explicit TerminalView(bool quiet);

  // The set-up of the command is done before it runs.
  bool SetStateOpen() const override { return false; }
  bool AcceptStateOpen() const override { return false; }

  // Redraws the progress line, at most ten times a second, when standard
  // error is a terminal.
  void SetProgressText(const std::string& text, const RunProgress& progress) override;
  void SetTimeText(const std::string&) override {}
  void SetGoCaption(const std::string&) override {}
  void BtnCancelClick() override {}
  void OpenSetState() override {}

  // Writes one message on a line of its own.
  void Message(const std::string& text);
  // Clears the progress line.
  void EndProgress();

 private:
  void ClearLine();

  bool live_;            // progress lines are drawn
  bool drawn_ = false;   // a progress line stands on the terminal
  std::chrono::steady_clock::time_point last_{};
};

// The progress line: reads processed, share of the reads file read, reads
// per second and the time left.
std::string ProgressLine(const RunProgress& p);

}  // namespace quorvane

#endif  // QUORVANE_APP_TERMINAL_VIEW_H_
