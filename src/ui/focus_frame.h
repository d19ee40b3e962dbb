// The frame that marks the control with the keyboard focus, for controls
// that draw themselves.
#ifndef QUORVANE_UI_FOCUS_FRAME_H_
#define QUORVANE_UI_FOCUS_FRAME_H_

#include <QRect>
#include <QWidget>

namespace quorvane {

// Draws the style's focus frame around r on w, inside w's paint event.
// Like the style's buttons, the frame shows once the focus has been moved
// with the keyboard.
void DrawFocusFrame(QWidget* w, const QRect& r);

}  // namespace quorvane

#endif  // QUORVANE_UI_FOCUS_FRAME_H_
