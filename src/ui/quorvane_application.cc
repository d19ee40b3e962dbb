#include "ui/quorvane_application.h"

#include <QStyleFactory>

#include "common/show_msg.h"
#include "ui/handler_guard.h"

namespace quorvane {

QuorvaneApplication::QuorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setStyle(QStyleFactory::create("Fusion"));
}

bool QuorvaneApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowMsg(ExceptionText(std::current_exception()));
    return false;
  }
}

}  // namespace quorvane
