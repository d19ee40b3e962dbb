#include "ui/speed_button.h"

#include "ui/press_key.h"

namespace quorvane {

SpeedButton::SpeedButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setFocusPolicy(Qt::TabFocus);
  setAutoDefault(false);
  ClickOnEnter(this);
}

}  // namespace quorvane
