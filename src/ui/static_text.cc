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
  ShowText();
}

void StaticText::SetElided(bool elided) {
  elided_ = elided;
  ShowText();
}

void StaticText::ShowText() {
  const QString whole = QString::fromLocal8Bit(text_.data(), static_cast<qsizetype>(text_.size()));
  if (!elided_) {
    setText(whole);
    return;
  }
  setToolTip(whole);
  setText(fontMetrics().elidedText(whole, Qt::ElideMiddle, contentsRect().width()));
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

void StaticText::resizeEvent(QResizeEvent* e) {
  QLabel::resizeEvent(e);
  if (elided_) ShowText();
}

void StaticText::changeEvent(QEvent* e) {
  QLabel::changeEvent(e);
  if (elided_ && e->type() == QEvent::FontChange) ShowText();
}

}  // namespace quorvane
