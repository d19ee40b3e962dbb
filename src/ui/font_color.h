// The font colour of a control. Some controls carry a state in it (red:
// open), so it is both set and read back here.
#ifndef QUORVANE_UI_FONT_COLOR_H_
#define QUORVANE_UI_FONT_COLOR_H_

#include <QColor>
#include <QWidget>

namespace quorvane {

inline const QColor kClRed(255, 0, 0);
inline const QColor kClBlack(0, 0, 0);
inline const QColor kClBlue(0, 0, 255);
inline const QColor kClWhite(255, 255, 255);
inline const QColor kClMoneyGreen(192, 220, 192);

// Paints the text of w in color, whether w draws it as window text, button
// text or edit text, in every colour group.
void SetFontColor(QWidget* w, const QColor& color);

// The colour in which w draws its text.
QColor FontColor(const QWidget* w);

// Fills the background of w with color.
void SetBackColor(QWidget* w, const QColor& color);

// The colour that fills the background of w.
QColor BackColor(const QWidget* w);

// The system's tooltip background, the "info" colour of the path boxes.
QColor InfoColor();

}  // namespace quorvane

#endif  // QUORVANE_UI_FONT_COLOR_H_
