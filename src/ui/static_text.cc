#include "ui/static_text.h"

#include <QMouseEvent>

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

}  // namespace quorvane
