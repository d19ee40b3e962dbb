#include "ui/static_text.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/focus_frame.h"
#include "ui/press_key.h"

namespace quorvane {

StaticText::StaticText(const std::string& text, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setAutoFillBackground(true);
  SetText(text);
}

void StaticText::SetText(const std::string& text) {
  text_ = text;
  setText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void StaticText::mousePressEvent(QMouseEvent* e) {
  pressed_ = e->button() == Qt::LeftButton;
  e->accept();
}

void StaticText::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  pressed_ = false;
  e->accept();
  if (click) emit clicked();
}

void StaticText::keyPressEvent(QKeyEvent* e) {
  if (!IsPressKey(*e)) {
    QLabel::keyPressEvent(e);
    return;
  }
  e->accept();
  if (!e->isAutoRepeat()) emit clicked();
}

void StaticText::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  if (hasFocus()) DrawFocusFrame(this, rect());
}

}  // namespace quorvane
