#include "ui/bevel_panel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/focus_frame.h"
#include "ui/press_key.h"

namespace quorvane {
namespace {

// Draws one bevel of width w just inside r and returns the rectangle left
// inside it. Raised: light above and left, dark below and right.
QRect DrawBevel(QPainter& p, QRect r, Bevel b, int w, const QPalette& pal) {
  if (b == Bevel::kNone) return r;
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);
  const QColor& topLeft = b == Bevel::kRaised ? light : dark;
  const QColor& bottomRight = b == Bevel::kRaised ? dark : light;
  for (int i = 0; i < w; ++i) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    r.adjust(1, 1, -1, -1);
  }
  return r;
}

}  // namespace

Panel::Panel(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
  setAutoFillBackground(true);
}

void Panel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void Panel::SetCaptionAlignment(Qt::Alignment a) {
  align_ = a;
  update();
}

void Panel::SetBevelOuter(Bevel b) {
  outer_ = b;
  update();
}

void Panel::SetBevelInner(Bevel b) {
  inner_ = b;
  update();
}

void Panel::SetBevelWidth(int w) {
  bevelWidth_ = w;
  update();
}

void Panel::SetBorderSingle(bool single) {
  borderSingle_ = single;
  update();
}

void Panel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  if (borderSingle_) {
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(1, 1, -1, -1);
  }
  r = DrawBevel(p, r, outer_, bevelWidth_, palette());
  r = DrawBevel(p, r, inner_, bevelWidth_, palette());
  if (!caption_.isEmpty()) {
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    const QRect text = align_ & Qt::AlignLeft ? r.adjusted(2, 0, 0, 0) : r;
    p.drawText(text, static_cast<int>(align_ | Qt::AlignVCenter | Qt::TextSingleLine), caption_);
  }
  p.end();
  if (hasFocus()) DrawFocusFrame(this, r);
}

void Panel::mousePressEvent(QMouseEvent* e) {
  pressed_ = e->button() == Qt::LeftButton;
  e->accept();
}

void Panel::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  pressed_ = false;
  e->accept();
  if (click) emit clicked();
}

void Panel::keyPressEvent(QKeyEvent* e) {
  if (!IsPressKey(*e)) {
    QWidget::keyPressEvent(e);
    return;
  }
  e->accept();
  if (!e->isAutoRepeat()) emit clicked();
}

}  // namespace quorvane
