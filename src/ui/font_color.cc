#include "ui/font_color.h"

#include <QApplication>
#include <QPalette>

namespace quorvane {

void SetFontColor(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    p.setColor(QPalette::All, role, color);
  }
  w->setPalette(p);
}

QColor FontColor(const QWidget* w) { return w->palette().color(QPalette::Active, QPalette::WindowText); }

void SetBackColor(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::All, w->backgroundRole(), color);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

QColor BackColor(const QWidget* w) { return w->palette().color(QPalette::Active, w->backgroundRole()); }

QColor InfoColor() { return QApplication::palette().color(QPalette::Active, QPalette::ToolTipBase); }

}  // namespace quorvane
