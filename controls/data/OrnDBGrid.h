// TOrnCustomDBGrid: the data grid base of the lookup list. It shows chosen
// fields of its data source's data set, one row per record, keeps its
// current row on the data set's current record and moves the data set when
// the person picks a row.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

#include "DataSet.h"

namespace orn {

// The grid's rows: a snapshot of the data set taken whenever it changes.
class DataSetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DataSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void Reload(TTable* table, const QStringList& fields);
  void SetTitles(const QStringList& titles);
  void SetMarkedColumn(int column);
  int RowOf(TBookmark bookmark) const;
  TBookmark BookmarkOf(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QStringList fields_;
  QStringList titles_;
  std::vector<TTable::Row> rows_;
  int markedColumn_ = -1;
};

}  // namespace orn

class TOrnCustomDBGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TOrnCustomDBGrid(QWidget* parent = nullptr);

  // The data source whose data set the grid shows.
  TDataSource* GridSource() const { return gridSource_; }
  void SetGridSource(TDataSource* source);
  QStringList Columns() const { return columns_; }
  void SetColumns(const QStringList& fields);
  TTable* GridTable() const { return gridSource_ ? gridSource_->DataSet() : nullptr; }
  orn::DataSetModel* GridModel() const { return model_; }
  // Re-reads the rows and puts the current row on the current record.
  void Refresh();

 protected:
  // Called after a row was picked with the mouse or the arrow keys.
  virtual void RowPicked() {}
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  orn::DataSetModel* model_;
  QPointer<TDataSource> gridSource_;
  QMetaObject::Connection link_;
  QStringList columns_;
  bool syncing_ = false;
  bool moving_ = false;
};
