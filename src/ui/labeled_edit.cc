#include "ui/labeled_edit.h"

namespace quorvane {

LabeledEdit::LabeledEdit(const QString& labelCaption, int spacing, QWidget* parent)
    : QLineEdit(parent), label_(new QLabel(labelCaption, parent)), spacing_(spacing) {
  label_->setTextFormat(Qt::PlainText);
  label_->setBuddy(this);
  PlaceLabel();
}

void LabeledEdit::SetBounds(int left, int top, int width, int height) {
  setGeometry(left, top, width, height);
  PlaceLabel();
}

void LabeledEdit::moveEvent(QMoveEvent* e) {
  QLineEdit::moveEvent(e);
  PlaceLabel();
}

void LabeledEdit::PlaceLabel() {
  label_->adjustSize();
  label_->move(x(), y() - label_->height() - spacing_);
}

}  // namespace quorvane
