// What the main window shows of a run. The run calls it from its own
// thread; every call is carried out on the GUI thread, and the run waits
// for it.
#ifndef QUORVANE_UI_WINDOW_RUN_OBSERVER_H_
#define QUORVANE_UI_WINDOW_RUN_OBSERVER_H_

#include <atomic>

#include "run/run_observer.h"

namespace quorvane {

class TFmTrelvix;

class WindowRunObserver final : public RunObserver {
 public:
  explicit WindowRunObserver(TFmTrelvix& fm) : fm_(fm) {}

  // A message box, modal to the application.
  void OnMessage(const Status& s) override;
  // CountInpRds shows the progress text, repainted at once.
  void OnProgress(const RunProgress& p) override;
  // BxTime shows the seconds.
  void OnTime(const std::string& seconds) override;
  // Both set-up states open, as "Cancel" does; "done" on BtnGo when the run
  // reached its end without a failure.
  void OnEndSteps(bool done) override;
  bool StopRequested() override { return stop_.load(); }

  // Asks the run to stop at its next batch; safe from any thread.
  void RequestStop() { stop_.store(true); }

 private:
  TFmTrelvix& fm_;  // the window whose controls show the run
  std::atomic<bool> stop_{false};
};

}  // namespace quorvane

#endif  // QUORVANE_UI_WINDOW_RUN_OBSERVER_H_
