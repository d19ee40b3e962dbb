// A button that a click does not give the keyboard focus, so the focus
// stays where the user left it. Tab still reaches it, and then Space or
// Enter presses it.
#ifndef QUORVANE_UI_SPEED_BUTTON_H_
#define QUORVANE_UI_SPEED_BUTTON_H_

#include <QPushButton>

namespace quorvane {

class SpeedButton : public QPushButton {
  Q_OBJECT

 public:
  SpeedButton(const QString& caption, QWidget* parent);
};

}  // namespace quorvane

#endif  // QUORVANE_UI_SPEED_BUTTON_H_
