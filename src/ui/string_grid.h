// A grid of text cells addressed as (column, row), with a fixed top row of
// titles drawn like buttons. Cells of the other rows can be edited in
// place; the program writes them and never reads what was typed.
//
// The grid is a single stop of the keyboard's focus: Tab, Shift+Tab and
// Ctrl+Tab (with or without Shift) move on to the next or previous
// control, also out of a cell being edited, which keeps what was typed.
// The arrow keys move between the cells.
#ifndef QUORVANE_UI_STRING_GRID_H_
#define QUORVANE_UI_STRING_GRID_H_

#include <QString>
#include <QTableWidget>

namespace quorvane {

class StringGrid : public QTableWidget {
  Q_OBJECT

 public:
  // cols x rows cells of colWidth x rowHeight pixels, the top row fixed.
  StringGrid(int cols, int rows, int colWidth, int rowHeight, QWidget* parent);

  // The text of cell (col, row).
  QString Cell(int col, int row) const;
  void SetCell(int col, int row, const QString& text);

  // Ends any in-place editing of a cell, keeping what was typed.
  void EndEditing();
  // Whether a cell is being edited in place.
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  using QTableWidget::edit;

 protected:
  // Starts editing a cell; its editor's Tab keys are watched.
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  // Tab and Shift+Tab in a cell's editor end the editing and move the focus
  // out of the grid, instead of on to the next cell.
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace quorvane

#endif  // QUORVANE_UI_STRING_GRID_H_
