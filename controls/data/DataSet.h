// The data-aware layer of the controls: a data set over a Paradox table of
// the table layer (TTable), the data source a control points at
// (TDataSource) and the link of one control to one field (TFieldDataLink).
//
// Data flow: TTable moves over the table's records and says so with
// DataChanged; TDataSource passes that on to every link of its data set; a
// link re-reads its field and tells its control. A control's change goes
// back through the link: Edit, set the field, Post; the table layer writes
// the file at once or refuses the change with a TableError, which the link
// shows in the message window and cancels, so that nothing half-done stays.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "ExprData.h"
#include "Table.h"

class TDataSource;

// A position in the data set that GotoBookmark returns to (1-based in the
// current index order; 0 for none).
using TBookmark = int;

class TTable : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
  Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)
  Q_PROPERTY(QString IndexFieldNames READ IndexFieldNames WRITE SetIndexFieldNames)
  Q_PROPERTY(QString MasterFields READ MasterFields WRITE SetMasterFields)

 public:
  explicit TTable(QObject* parent = nullptr);
  ~TTable() override;

  // A folder, or an alias name of the alias file.
  QString DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const QString& name);
  QString TableName() const { return tableName_; }
  void SetTableName(const QString& name);

  // Throws orn::TableError when the table cannot be opened.
  void Open();
  void Close();
  bool Active() const { return table_.Active(); }
  orn::TableState State() const { return table_.State(); }
  QString FilePath() const;

  // Moving. With a master source only the records whose first index field
  // holds the master value are visited.
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const;
  bool Bof() const;
  bool IsEmpty() const;
  // The position in the current index order (1-based, 0 when empty).
  int RecNo() const;
  int RecordCount();

  QStringList FieldNames() const;
  bool HasField(const QString& name) const;
  // Throws orn::TableError for a field the table does not have.
  orn::Field FieldByName(const QString& name);
  // The field's text in the current record; "" when there is no record or
  // no such field (controls ask for names their settings give).
  QString FieldText(const QString& name);

  // Changes; each throws orn::TableError when the layer refuses it (the
  // table is then as it was).
  void Edit();
  void Append();
  void Post();
  void Cancel();

  // The indexes the table offers, as field lists "A;B": its primary key and
  // the single-field secondary indexes kept beside it.
  QStringList IndexDefs() const;
  QString IndexFieldNames() const { return indexFieldNames_; }
  // Switches the order ("" = primary key). Throws for an unknown field.
  void SetIndexFieldNames(const QString& fieldNames);
  // The fields of the current order; the primary key when none was set.
  QStringList CurrentIndexFields() const;

  // Set key / go to nearest: values for the first fields of the current
  // index, in order.
  void SetKey();
  void SetKeyValue(int indexField, const QString& value);
  void GotoNearest();
  bool GotoKey();

  // The texts of `fields` in every record (within the master range), with
  // each record's bookmark; the current record stays and nobody is told.
  struct Row {
    TBookmark bookmark = 0;
    QStringList texts;
  };
  std::vector<Row> Snapshot(const QStringList& fields);

  TBookmark GetBookmark() const { return RecNo(); }
  void GotoBookmark(TBookmark bookmark);

  // Master-detail: the detail follows the master's current value of
  // MasterFields through the first field of its own index.
  void SetMasterSource(TDataSource* source);
  TDataSource* MasterSource() const { return masterSource_; }
  QString MasterFields() const { return masterFields_; }
  void SetMasterFields(const QString& fields);
  QString MasterValue() const { return masterValue_; }

  // While disabled, moves do not notify the controls; EnableControls
  // notifies them once.
  void DisableControls() { ++disabled_; }
  void EnableControls();

  // The current record as the evaluator reads it.
  const orn::ExprDataset* ExprData() const { return exprData_.get(); }

 signals:
  void DataChanged();
  void StateChanged();
  void ActiveChanged();

 private:
  void Notify();
  bool InRange() const;
  void ApplyMaster();
  void MoveTo(TBookmark bookmark);

  QString databaseName_;
  QString tableName_;
  QString indexFieldNames_;
  QString masterFields_;
  QString masterValue_;
  QPointer<TDataSource> masterSource_;
  QMetaObject::Connection masterLink_;
  mutable orn::Table table_;
  std::vector<std::string> keyValues_;
  bool rangeEof_ = false;
  int disabled_ = 0;
  bool pending_ = false;
  std::unique_ptr<orn::ExprDataset> exprData_;
};

class TDataSource : public QObject {
  Q_OBJECT
 public:
  explicit TDataSource(QObject* parent = nullptr) : QObject(parent) {}
  TTable* DataSet() const { return dataSet_; }
  void SetDataSet(TTable* dataSet);

 signals:
  void DataChanged();
  void StateChanged();

 private:
  QPointer<TTable> dataSet_;
  QList<QMetaObject::Connection> links_;
};

// One control's link to one field of its data source's data set.
class TFieldDataLink : public QObject {
  Q_OBJECT
 public:
  explicit TFieldDataLink(QObject* parent = nullptr) : QObject(parent) {}
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);

  TTable* DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
  // True when the data set is open and has the field.
  bool Active() const;
  // The field, when the link is active and there is a current record.
  std::optional<orn::Field> Field() const;
  QString Text() const;
  // Writes `text` into the field and posts it. On a refusal the message
  // window shows the layer's message (caption `caption`), the change is
  // cancelled and false is returned.
  bool Store(const QString& text, const QString& caption);
  // Drops a pending change and re-reads the field.
  void Reset();

 signals:
  void DataChanged();

 private:
  QPointer<TDataSource> dataSource_;
  QString fieldName_;
  QMetaObject::Connection link_;
};

namespace orn {

// Shows a failure of the table layer in the message window (icon 1, OK).
void ShowTableError(const QString& caption, const std::exception& error);

}  // namespace orn
