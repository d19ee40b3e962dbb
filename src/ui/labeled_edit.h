// An edit box with its label standing just above it, at a fixed spacing.
// The label is a sibling in the same parent and follows the box when it
// moves. The label takes the parent's font, so build the box after the
// parent's font is set.
#ifndef QUORVANE_UI_LABELED_EDIT_H_
#define QUORVANE_UI_LABELED_EDIT_H_

#include <QLabel>
#include <QLineEdit>

namespace quorvane {

class LabeledEdit : public QLineEdit {
  Q_OBJECT

 public:
  // spacing: pixels between the label's bottom and the box's top.
  LabeledEdit(const QString& labelCaption, int spacing, QWidget* parent);

  // Places the box, and its label above it.
  void SetBounds(int left, int top, int width, int height);

  // The label above the box.
  QLabel* EditLabel() const { return label_; }

 protected:
  void moveEvent(QMoveEvent* e) override;

 private:
  void PlaceLabel();

  QLabel* label_;  // owned by the parent, like the box
  int spacing_;    // gap between label and box
};

}  // namespace quorvane

#endif  // QUORVANE_UI_LABELED_EDIT_H_
