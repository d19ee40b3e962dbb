// Gives every item of a list the same height in pixels.
#ifndef QUORVANE_UI_ITEM_HEIGHT_DELEGATE_H_
#define QUORVANE_UI_ITEM_HEIGHT_DELEGATE_H_

#include <QStyledItemDelegate>

namespace quorvane {

class ItemHeightDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  ItemHeightDelegate(int height, QObject* parent);

  // The item's natural size with the fixed height.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  int ItemHeight() const { return height_; }

 private:
  int height_;  // pixels per item
};

}  // namespace quorvane

#endif  // QUORVANE_UI_ITEM_HEIGHT_DELEGATE_H_
