#include "ui/speed_button.h"

namespace quorvane {

SpeedButton::SpeedButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

}  // namespace quorvane
