#pragma once
// The ranges grid of a view as an editable table: the cells are the core
// grid's, the header row its row 0.
#include <QAbstractTableModel>
#include <QTableView>

namespace sorrel {

class RangesGrid;

class RangesGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  RangesGridModel(RangesGrid& grid, QObject* parent);
  ~RangesGridModel() override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  RangesGrid& grid_;
};

// The grid's table: Enter (also the Enter that ends an edit) confirms the
// grid, and is consumed.
class RangesGridView : public QTableView {
  Q_OBJECT
 public:
  explicit RangesGridView(QWidget* parent = nullptr);

 signals:
  void confirmed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
};

}  // namespace sorrel
