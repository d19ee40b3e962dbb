#include "ui/ui_font.h"

#include <QStringList>

namespace quorvane {

QFont UiFont(const QString& family, int pixelSize, bool bold) {
  QFont f(family);
  // Tried in this order; fontconfig's own substitutes come after them.
  f.setFamilies(QStringList{family, "Liberation Sans", "Arimo", "DejaVu Sans"});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  return f;
}

}  // namespace quorvane
