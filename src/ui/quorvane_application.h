// The application object: the toolkit's, with the look the windows are
// laid out for, and a last guard that shows any exception escaping an
// event's handling instead of ending the program.
#ifndef QUORVANE_UI_QUORVANE_APPLICATION_H_
#define QUORVANE_UI_QUORVANE_APPLICATION_H_

#include <QApplication>

namespace quorvane {

class QuorvaneApplication : public QApplication {
  Q_OBJECT

 public:
  // Sets the Fusion style, whose controls draw their text in the colours
  // the program gives them.
  QuorvaneApplication(int& argc, char** argv);

  // Delivers event; an exception thrown while handling it is shown through
  // ShowMsg and the event counts as not handled.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace quorvane

#endif  // QUORVANE_UI_QUORVANE_APPLICATION_H_
