#include "ui/string_grid.h"

#include <QHeaderView>

namespace quorvane {

StringGrid::StringGrid(int cols, int rows, int colWidth, int rowHeight, QWidget* parent)
    : QTableWidget(rows, cols, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setDefaultSectionSize(colWidth);
  verticalHeader()->setDefaultSectionSize(rowHeight);
  setShowGrid(true);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      auto* item = new QTableWidgetItem;
      if (r == 0) {
        // The fixed row: titles on the button face, neither selected nor edited.
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().brush(QPalette::Button));
      }
      setItem(r, c, item);
    }
  }
}

QString StringGrid::Cell(int col, int row) const {
  const QTableWidgetItem* it = item(row, col);
  return it == nullptr ? QString() : it->text();
}

void StringGrid::SetCell(int col, int row, const QString& text) {
  if (QTableWidgetItem* it = item(row, col)) it->setText(text);
}

void StringGrid::EndEditing() {
  if (!Editing()) return;
  for (int r = 0; r < rowCount(); ++r) {
    for (int c = 0; c < columnCount(); ++c) {
      if (QWidget* editor = indexWidget(model()->index(r, c))) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
      }
    }
  }
}

}  // namespace quorvane
