// Swallows the user's input to one window for as long as it lives, while
// the window goes on painting. Other windows (a message box shown in the
// meantime) still take input.
#ifndef QUORVANE_UI_INPUT_BLOCKER_H_
#define QUORVANE_UI_INPUT_BLOCKER_H_

#include <QObject>
#include <QWidget>

namespace quorvane {

class InputBlocker : public QObject {
  Q_OBJECT

 public:
  // Starts blocking input to window and every control on it.
  explicit InputBlocker(QWidget* window);
  ~InputBlocker() override;
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;

  // Whether input to the blocked window is swallowed.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;  // the window that takes no input
};

}  // namespace quorvane

#endif  // QUORVANE_UI_INPUT_BLOCKER_H_
