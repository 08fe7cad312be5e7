#include "OrnDBGrid.h"

#include <QHeaderView>
#include <QPainter>

namespace orn {

namespace {
// The marker of the search column in its title (the "ACTCOL" picture).
QPixmap ColumnMarker() {
  QPixmap marker(9, 9);
  marker.fill(Qt::transparent);
  QPainter p(&marker);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0, 0, 128));
  p.setPen(Qt::NoPen);
  const QPointF triangle[] = {{1, 1}, {8, 4.5}, {1, 8}};
  p.drawPolygon(triangle, 3);
  return marker;
}
}  // namespace

void DataSetModel::Reload(TTable* table, const QStringList& fields) {
  beginResetModel();
  fields_ = fields;
  rows_ = table ? table->Snapshot(fields) : std::vector<TTable::Row>();
  endResetModel();
}

void DataSetModel::SetTitles(const QStringList& titles) {
  titles_ = titles;
  if (!fields_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(fields_.size()) - 1);
}

void DataSetModel::SetMarkedColumn(int column) {
  markedColumn_ = column;
  if (!fields_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(fields_.size()) - 1);
}

int DataSetModel::RowOf(TBookmark bookmark) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].bookmark == bookmark) return static_cast<int>(i);
  return -1;
}

TBookmark DataSetModel::BookmarkOf(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row].bookmark : 0;
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
  const auto& texts = rows_[index.row()].texts;
  return index.column() < texts.size() ? texts[index.column()] : QString();
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
    if (section < titles_.size()) return titles_[section];
    return section < fields_.size() ? fields_[section] : QVariant();
  }
  if (role == Qt::DecorationRole && section == markedColumn_) return ColumnMarker();
  return {};
}

}  // namespace orn

TOrnCustomDBGrid::TOrnCustomDBGrid(QWidget* parent) : QTableView(parent), model_(new orn::DataSetModel(this)) {
  // Tab leaves the grid; the arrows move inside it.
  setTabKeyNavigation(false);
  setModel(model_);
  setSelectionBehavior(SelectRows);
  setSelectionMode(SingleSelection);
  setEditTriggers(NoEditTriggers);
  verticalHeader()->hide();
  horizontalHeader()->setHighlightSections(false);
  resize(121, 97);
}

void TOrnCustomDBGrid::SetGridSource(TDataSource* source) {
  if (link_) disconnect(link_);
  gridSource_ = source;
  if (source) link_ = connect(source, &TDataSource::DataChanged, this, &TOrnCustomDBGrid::Refresh);
  Refresh();
}

void TOrnCustomDBGrid::SetColumns(const QStringList& fields) {
  columns_ = fields;
  Refresh();
}

void TOrnCustomDBGrid::Refresh() {
  if (moving_) return;
  syncing_ = true;
  const int column = qMax(0, currentIndex().column());
  model_->Reload(GridTable(), columns_);
  if (TTable* t = GridTable(); t && t->Active()) {
    const int row = model_->RowOf(t->GetBookmark());
    if (row >= 0) {
      setCurrentIndex(model_->index(row, qMin(column, qMax(0, model_->columnCount() - 1))));
      scrollTo(currentIndex());
    }
  }
  syncing_ = false;
}

void TOrnCustomDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_ || !current.isValid() || current.row() == previous.row()) return;
  if (TTable* t = GridTable(); t && t->Active()) {
    // The move needs no reload: the rows are the same.
    moving_ = true;
    t->GotoBookmark(model_->BookmarkOf(current.row()));
    moving_ = false;
    RowPicked();
  }
}
