// Fonts of the windows, given by family and pixel height.
#ifndef QUORVANE_UI_UI_FONT_H_
#define QUORVANE_UI_UI_FONT_H_

#include <QFont>
#include <QString>

namespace quorvane {

// A font of the given family and pixel height. Where the family is not
// installed, the closest sans-serif face is used at the same pixel height
// (Liberation Sans for Arial, which has the same metrics).
QFont UiFont(const QString& family, int pixelSize, bool bold = false);

}  // namespace quorvane

#endif  // QUORVANE_UI_UI_FONT_H_
