#include "ui/gui_call.h"

#include <QThread>
#include <exception>

namespace quorvane {

void CallOnGui(QObject* context, const std::function<void()>& fn) {
  if (QThread::currentThread() == context->thread()) {
    fn();
    return;
  }
  // Nothing may be thrown into the GUI thread's event dispatch: carry the
  // exception back to the caller instead.
  std::exception_ptr error;
  QMetaObject::invokeMethod(
      context,
      [&] {
        try {
          fn();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
}

}  // namespace quorvane
