#include "ui/background_run.h"

#include <QEventLoop>
#include <exception>
#include <thread>

#include "ui/input_blocker.h"

namespace quorvane {

void RunInBackground(QWidget* window, const std::function<void()>& work) {
  InputBlocker blocker(window);
  QEventLoop loop;
  std::exception_ptr error;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    // Queued, so that it counts even if it arrives before the loop runs.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::AllEvents);
  worker.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace quorvane
