#include "ui/item_height_delegate.h"

namespace quorvane {

ItemHeightDelegate::ItemHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

QSize ItemHeightDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize s = QStyledItemDelegate::sizeHint(option, index);
  s.setHeight(height_);
  return s;
}

}  // namespace quorvane
