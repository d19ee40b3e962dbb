#include "ui/window_run_observer.h"

#include "common/show_msg.h"
#include "ui/fm_trelvix.h"
#include "ui/gui_call.h"

namespace quorvane {
namespace {

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

void WindowRunObserver::OnMessage(const Status& s) { ShowMsg(s.message()); }

void WindowRunObserver::OnProgress(const RunProgress& p) {
  CallOnGui(&fm_, [&] {
    fm_.CountInpRds->setText(Shown(p.text));
    fm_.CountInpRds->repaint();
  });
}

void WindowRunObserver::OnTime(const std::string& seconds) {
  CallOnGui(&fm_, [&] { fm_.BxTime->setText(Shown(seconds)); });
}

void WindowRunObserver::OnEndSteps(bool done) {
  CallOnGui(&fm_, [&] {
    fm_.BtnCancelClick();
    if (done) fm_.BtnGo->setText("done");
  });
}

}  // namespace quorvane
