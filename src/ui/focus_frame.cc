#include "ui/focus_frame.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quorvane {

void DrawFocusFrame(QWidget* w, const QRect& r) {
  QStyleOptionFocusRect o;
  o.initFrom(w);
  o.rect = r;
  o.backgroundColor = w->palette().color(w->backgroundRole());
  QPainter p(w);
  w->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, w);
}

}  // namespace quorvane
