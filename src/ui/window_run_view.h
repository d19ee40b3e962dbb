// The run's view of the main window. The run calls it from its own
// thread; every call is carried out on the GUI thread, and the run waits
// for it.
#ifndef QUORVANE_UI_WINDOW_RUN_VIEW_H_
#define QUORVANE_UI_WINDOW_RUN_VIEW_H_

#include "run/run_view.h"

namespace quorvane {

class TFmTrelvix;

class WindowRunView final : public RunView {
 public:
  explicit WindowRunView(TFmTrelvix& fm) : fm_(fm) {}

  // The font colours of BxSetMis and BtnAcceptData: red means open.
  bool SetStateOpen() const override;
  bool AcceptStateOpen() const override;
  // CountInpRds shows text, repainted at once.
  void SetProgressText(const std::string& text, const RunProgress& progress) override;
  // BxTime shows text.
  void SetTimeText(const std::string& text) override;
  // BtnGo shows caption.
  void SetGoCaption(const std::string& caption) override;
  // As the Cancel button does.
  void BtnCancelClick() override;
  void OpenSetState() override;

 private:
  TFmTrelvix& fm_;  // the window whose controls show the run
};

}  // namespace quorvane

#endif  // QUORVANE_UI_WINDOW_RUN_VIEW_H_
