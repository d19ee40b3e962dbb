// What the command line shows of a run: messages and a progress line on
// standard error.
#ifndef QUORVANE_APP_TERMINAL_OBSERVER_H_
#define QUORVANE_APP_TERMINAL_OBSERVER_H_

#include <chrono>
#include <string>

#include "run/run_observer.h"
#include "setup/input_checks.h"

namespace quorvane {

class TerminalObserver final : public RunObserver, public CheckListener {
 public:
  // quiet silences the progress line; messages are always written.
  explicit TerminalObserver(bool quiet);

  // Writes the message on a line of its own.
  void OnMessage(const Status& s) override;
  // Redraws the progress line, at most ten times a second, when standard
  // error is a terminal.
  void OnProgress(const RunProgress& p) override;
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool) override {}
  // True once SIGINT or SIGTERM came (see CatchStopSignals).
  bool StopRequested() override;

  // Clears the progress line.
  void EndProgress();

 private:
  void ClearLine();

  bool live_;           // progress lines are drawn
  bool drawn_ = false;  // a progress line stands on the terminal
  std::chrono::steady_clock::time_point last_{};
};

// The progress line: reads processed, share of the reads file read (when
// its size is known), reads per second and the time left; pairs and the
// mates 1 file for a pair run.
std::string ProgressLine(const RunProgress& p);

}  // namespace quorvane

#endif  // QUORVANE_APP_TERMINAL_OBSERVER_H_
