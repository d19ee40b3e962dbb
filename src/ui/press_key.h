// The keys that press a focused control as a click does: Space, Return
// and the keypad's Enter, without Ctrl, Alt or Shift.
#ifndef QUORVANE_UI_PRESS_KEY_H_
#define QUORVANE_UI_PRESS_KEY_H_

#include <QAbstractButton>
#include <QKeyEvent>

namespace quorvane {

// Whether e presses the control that has the focus.
bool IsPressKey(const QKeyEvent& e);

// Whether e is Return or Enter (a press key other than Space).
bool IsEnterKey(const QKeyEvent& e);

// Makes Return and Enter click button while it has the focus; Space
// already does. Outside a dialog the toolkit's buttons ignore Enter.
void ClickOnEnter(QAbstractButton* button);

}  // namespace quorvane

#endif  // QUORVANE_UI_PRESS_KEY_H_
