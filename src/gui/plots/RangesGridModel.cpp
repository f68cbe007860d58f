#include "gui/plots/RangesGridModel.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "core/plots/RangesGrid.h"

namespace sorrel {

RangesGridModel::RangesGridModel(RangesGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
  grid_.OnChanged = [this] {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  };
}

RangesGridModel::~RangesGridModel() {
  grid_.OnChanged = nullptr;
}

int RangesGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int RangesGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RangesGrid::kColumns;
}

QVariant RangesGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return QString::fromStdString(grid_.Cell(index.column(), index.row() + 1));
}

bool RangesGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  grid_.SetCell(index.column(), index.row() + 1, value.toString().toStdString());
  return true;
}

QVariant RangesGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return QString::fromStdString(grid_.Cell(section, 0));
}

Qt::ItemFlags RangesGridModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

RangesGridView::RangesGridView(QWidget* parent) : QTableView(parent) {
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setDefaultSectionSize(70);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
}

void RangesGridView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      state() != QAbstractItemView::EditingState) {
    emit confirmed();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void RangesGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, hint);
  // Enter ends an edit with this hint: the grid is confirmed as well.
  if (hint == QAbstractItemDelegate::SubmitModelCache) emit confirmed();
}

}  // namespace sorrel
