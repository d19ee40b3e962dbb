#include "ui/string_grid.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace quorvane {
namespace {

bool IsTab(const QKeyEvent& e) { return e.key() == Qt::Key_Tab || e.key() == Qt::Key_Backtab; }

// Tab moves on, Shift+Tab (Backtab) back; with or without Ctrl.
bool IsForwardTab(const QKeyEvent& e) { return e.key() == Qt::Key_Tab && !(e.modifiers() & Qt::ShiftModifier); }

}  // namespace

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
  setTabKeyNavigation(false);
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

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (!QTableWidget::edit(index, trigger, event)) return false;
  // Watched ahead of the delegate, which would move Tab to the next cell.
  if (QWidget* editor = indexWidget(index)) editor->installEventFilter(this);
  return true;
}

bool StringGrid::eventFilter(QObject* watched, QEvent* e) {
  // Cell editors live on the viewport.
  auto* editor = qobject_cast<QWidget*>(watched);
  const bool isEditor = editor != nullptr && editor != viewport() && editor->parentWidget() == viewport();
  if (isEditor && e->type() == QEvent::KeyPress && IsTab(*static_cast<QKeyEvent*>(e))) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    focusNextPrevChild(IsForwardTab(*static_cast<QKeyEvent*>(e)));
    return true;
  }
  return QTableWidget::eventFilter(watched, e);
}

void StringGrid::keyPressEvent(QKeyEvent* e) {
  // Plain Tab and Shift+Tab never get here: the toolkit moves the focus on
  // them itself. Ctrl+Tab does too, as it leaves a multi-line control.
  if (IsTab(*e) && (e->modifiers() & Qt::ControlModifier)) {
    e->accept();
    focusNextPrevChild(IsForwardTab(*e));
    return;
  }
  QTableWidget::keyPressEvent(e);
}

}  // namespace quorvane
