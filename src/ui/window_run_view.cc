#include "ui/window_run_view.h"

#include "ui/fm_trelvix.h"
#include "ui/gui_call.h"

namespace quorvane {
namespace {

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

bool WindowRunView::SetStateOpen() const {
  bool open = true;
  CallOnGui(&fm_, [&] { open = fm_.SetStateOpen(); });
  return open;
}

bool WindowRunView::AcceptStateOpen() const {
  bool open = true;
  CallOnGui(&fm_, [&] { open = fm_.AcceptStateOpen(); });
  return open;
}

void WindowRunView::SetProgressText(const std::string& text, const RunProgress&) {
  CallOnGui(&fm_, [&] {
    fm_.CountInpRds->setText(Shown(text));
    fm_.CountInpRds->repaint();
  });
}

void WindowRunView::SetTimeText(const std::string& text) {
  CallOnGui(&fm_, [&] { fm_.BxTime->setText(Shown(text)); });
}

void WindowRunView::SetGoCaption(const std::string& caption) {
  CallOnGui(&fm_, [&] { fm_.BtnGo->setText(Shown(caption)); });
}

void WindowRunView::BtnCancelClick() {
  CallOnGui(&fm_, [&] { fm_.BtnCancelClick(); });
}

void WindowRunView::OpenSetState() {
  CallOnGui(&fm_, [&] { fm_.OpenSetState(); });
}

}  // namespace quorvane
