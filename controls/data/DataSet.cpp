#include "DataSet.h"

#include "DialogService.h"
#include "FileSystem.h"
#include "TableError.h"
#include "TextUtil.h"

namespace {

std::string S(const QString& text) { return text.toStdString(); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// The evaluator's view of the current record.
class TableExprData : public orn::ExprDataset {
 public:
  explicit TableExprData(TTable* table) : table_(table) {}

  std::optional<orn::FieldValue> FieldByName(const std::string& name) const override {
    if (!table_->Active() || !table_->HasField(Q(name))) return std::nullopt;
    const orn::Field field = table_->FieldByName(Q(name));
    orn::FieldValue value;
    value.isNull = field.IsNull();
    const std::string type = field.DataType();
    using T = orn::FieldType;
    if (type == "Alpha") {
      value.type = T::String;
      value.text = field.AsString();
    } else if (type == "Memo" || type == "Formatted memo") {
      value.type = T::Memo;
      value.text = field.AsString();
    } else if (type == "Logical") {
      value.type = T::Boolean;
      value.integer = field.AsBoolean() ? 1 : 0;
    } else if (type == "Short" || type == "Long" || type == "Autoincrement") {
      value.type = type == "Short" ? T::SmallInt : type == "Long" ? T::Integer : T::AutoInc;
      value.integer = static_cast<long long>(field.AsFloat());
    } else if (type == "Number" || type == "Currency" || type == "BCD") {
      value.type = type == "Number" ? T::Float : type == "Currency" ? T::Currency : T::Bcd;
      value.number = field.AsFloat();
    } else if (type == "Date" || type == "Time" || type == "Timestamp") {
      value.type = type == "Date" ? T::Date : type == "Time" ? T::Time : T::DateTime;
      value.number = field.AsDateTime();
    } else {
      value.type = T::Other;
      value.text = field.AsString();
    }
    return value;
  }

 private:
  TTable* table_;
};

// .Xnn / .Ynn beside a table: a secondary index on field nn (hexadecimal,
// 1-based). Composite ones (.XGn) name no field in their file name.
int SecondaryIndexField(const std::string& ext) {
  const std::string u = orn::UpperAscii(ext);
  if (u.size() != 4 || u[0] != '.' || (u[1] != 'X' && u[1] != 'Y') || u[2] == 'G') return 0;
  bool ok = false;
  const int n = QString::fromStdString(u.substr(2)).toInt(&ok, 16);
  return ok ? n : 0;
}

}  // namespace

// --- TTable ------------------------------------------------------------------

TTable::TTable(QObject* parent) : QObject(parent), exprData_(std::make_unique<TableExprData>(this)) {}

TTable::~TTable() = default;

void TTable::SetDatabaseName(const QString& name) {
  databaseName_ = name;
  table_.SetDatabaseName(S(name));
}

void TTable::SetTableName(const QString& name) {
  tableName_ = name;
  table_.SetTableName(S(name));
}

void TTable::Open() {
  if (Active()) return;
  table_.Open();
  if (!indexFieldNames_.isEmpty()) {
    try {
      table_.SetIndexFieldNames(S(indexFieldNames_));
    } catch (...) {
      table_.Close();
      throw;
    }
  }
  ApplyMaster();
  emit ActiveChanged();
  Notify();
}

void TTable::Close() {
  if (!Active()) return;
  table_.Close();
  emit ActiveChanged();
  Notify();
}

QString TTable::FilePath() const { return Q(table_.FilePath()); }

bool TTable::InRange() const {
  if (masterSource_.isNull() || masterFields_.isEmpty()) return true;
  if (table_.RecordCount() == 0) return false;
  const QStringList index = CurrentIndexFields();
  if (index.isEmpty()) return true;
  return Q(table_.FieldByName(S(index.front())).AsString()) == masterValue_;
}

void TTable::First() {
  if (!Active()) return;
  table_.First();
  rangeEof_ = false;
  if (!masterSource_.isNull() && !masterFields_.isEmpty() && !CurrentIndexFields().isEmpty() &&
      table_.RecordCount() > 0) {
    try {
      table_.FindNearest({S(masterValue_)});
      rangeEof_ = !InRange();
    } catch (const orn::TableError&) {
      rangeEof_ = true;  // a master value the detail's key cannot hold: no records
    }
  }
  Notify();
}

void TTable::Next() {
  if (!Active()) return;
  table_.Next();
  if (!table_.Eof() && !InRange()) {
    table_.Prior();
    rangeEof_ = true;
  }
  Notify();
}

void TTable::Prior() {
  if (!Active()) return;
  table_.Prior();
  if (!InRange()) table_.Next();
  rangeEof_ = false;
  Notify();
}

void TTable::Last() {
  if (!Active()) return;
  DisableControls();
  if (masterSource_.isNull() || masterFields_.isEmpty()) {
    table_.Last();
  } else {
    First();
    while (!Eof()) Next();
  }
  rangeEof_ = false;
  EnableControls();
  Notify();
}

bool TTable::Eof() const { return !Active() || table_.Eof() || rangeEof_ || !InRange(); }
bool TTable::Bof() const { return !Active() || table_.Bof(); }
bool TTable::IsEmpty() const { return !Active() || table_.RecordCount() == 0 || !InRange(); }
int TTable::RecNo() const { return Active() ? table_.RecNo() : 0; }

int TTable::RecordCount() {
  if (!Active()) return 0;
  if (masterSource_.isNull() || masterFields_.isEmpty()) return table_.RecordCount();
  const TBookmark here = GetBookmark();
  const bool wasPending = pending_;
  ++disabled_;
  int n = 0;
  for (First(); !Eof(); Next()) ++n;
  MoveTo(here);
  --disabled_;
  pending_ = wasPending;
  return n;
}

std::vector<TTable::Row> TTable::Snapshot(const QStringList& fields) {
  std::vector<Row> rows;
  if (!Active() || State() != orn::TableState::Browse) return rows;
  const TBookmark here = GetBookmark();
  const bool wasPending = pending_;
  ++disabled_;
  for (First(); !Eof(); Next()) {
    Row row;
    row.bookmark = RecNo();
    for (const QString& f : fields) row.texts << (HasField(f) ? Q(table_.FieldByName(S(f)).AsString()) : QString());
    rows.push_back(std::move(row));
  }
  MoveTo(here);
  --disabled_;
  pending_ = wasPending;
  return rows;
}

QStringList TTable::FieldNames() const {
  QStringList names;
  for (int i = 0; Active() && i < table_.FieldCount(); ++i) names << Q(table_.Fields(i).FieldName());
  return names;
}

bool TTable::HasField(const QString& name) const { return table_.HasField(S(name)); }

orn::Field TTable::FieldByName(const QString& name) {
  if (!Active()) throw orn::TableError(S(tableName_), "The table is not open");
  return table_.FieldByName(S(name));
}

QString TTable::FieldText(const QString& name) {
  if (!HasField(name) || (IsEmpty() && State() == orn::TableState::Browse)) return QString();
  return Q(FieldByName(name).AsString());
}

void TTable::Edit() {
  table_.Edit();
  emit StateChanged();
}

void TTable::Append() {
  table_.Append();
  emit StateChanged();
}

void TTable::Post() {
  table_.Post();
  emit StateChanged();
  Notify();
}

void TTable::Cancel() {
  if (!Active()) return;
  table_.Cancel();
  emit StateChanged();
  Notify();
}

QStringList TTable::IndexDefs() const {
  QStringList defs;
  if (!Active()) return defs;
  QStringList key;
  for (int i = 0; i < table_.KeyFieldCount(); ++i) key << Q(table_.Fields(i).FieldName());
  if (!key.isEmpty()) defs << key.join(';');
  const std::string path = table_.FilePath();
  const std::string dir = orn::ExtractFilePath(path).empty() ? "." : orn::ExtractFilePath(path);
  const std::string base = orn::ExtractFileName(orn::CutAtFirstDotOfName(path));
  for (const auto& f : orn::FindFiles(dir, base + ".*")) {
    if (orn::UpperAscii(orn::ExtractFileName(orn::CutAtFirstDotOfName(f.name))) != orn::UpperAscii(base)) continue;
    const int field = SecondaryIndexField(orn::ExtractFileExt(f.name));
    if (field >= 1 && field <= table_.FieldCount()) {
      const QString name = Q(table_.Fields(field - 1).FieldName());
      if (!defs.contains(name, Qt::CaseInsensitive)) defs << name;
    }
  }
  return defs;
}

void TTable::SetIndexFieldNames(const QString& fieldNames) {
  if (Active()) table_.SetIndexFieldNames(S(fieldNames));
  indexFieldNames_ = fieldNames;
  if (Active()) {
    rangeEof_ = false;
    Notify();
  }
}

QStringList TTable::CurrentIndexFields() const {
  QStringList fields;
  if (!indexFieldNames_.trimmed().isEmpty()) {
    for (const QString& f : indexFieldNames_.split(';'))
      if (!f.trimmed().isEmpty()) fields << f.trimmed();
    return fields;
  }
  for (int i = 0; Active() && i < table_.KeyFieldCount(); ++i) fields << Q(table_.Fields(i).FieldName());
  return fields;
}

void TTable::SetKey() { keyValues_.clear(); }

void TTable::SetKeyValue(int indexField, const QString& value) {
  if (indexField < 0) return;
  if (static_cast<int>(keyValues_.size()) <= indexField) keyValues_.resize(indexField + 1);
  keyValues_[indexField] = S(value);
}

void TTable::GotoNearest() {
  table_.FindNearest(keyValues_);
  rangeEof_ = false;
  Notify();
}

bool TTable::GotoKey() {
  const bool found = table_.FindKey(keyValues_);
  if (found) {
    rangeEof_ = false;
    Notify();
  }
  return found;
}

void TTable::MoveTo(TBookmark bookmark) {
  table_.First();
  while (table_.RecNo() < bookmark && !table_.Eof()) table_.Next();
  rangeEof_ = false;
}

void TTable::GotoBookmark(TBookmark bookmark) {
  if (!Active() || bookmark <= 0) return;
  MoveTo(bookmark);
  Notify();
}

void TTable::SetMasterSource(TDataSource* source) {
  if (masterLink_) disconnect(masterLink_);
  masterSource_ = source;
  if (source) masterLink_ = connect(source, &TDataSource::DataChanged, this, [this] { ApplyMaster(); });
  ApplyMaster();
}

void TTable::SetMasterFields(const QString& fields) {
  masterFields_ = fields;
  ApplyMaster();
}

void TTable::ApplyMaster() {
  if (masterSource_.isNull() || masterFields_.isEmpty()) return;
  TTable* master = masterSource_->DataSet();
  const QString field = masterFields_.split(';').front().trimmed();
  QString value;
  if (master && master->Active() && master->HasField(field) && !master->IsEmpty()) value = master->FieldText(field);
  if (value == masterValue_ && Active()) return;
  masterValue_ = value;
  if (Active() && State() == orn::TableState::Browse) First();
}

void TTable::EnableControls() {
  if (disabled_ > 0) --disabled_;
  if (disabled_ == 0 && pending_) {
    pending_ = false;
    emit DataChanged();
  }
}

void TTable::Notify() {
  if (disabled_ > 0) {
    pending_ = true;
    return;
  }
  emit DataChanged();
}

// --- TDataSource ---------------------------------------------------------------

void TDataSource::SetDataSet(TTable* dataSet) {
  for (const auto& c : links_) disconnect(c);
  links_.clear();
  dataSet_ = dataSet;
  if (dataSet) {
    links_ << connect(dataSet, &TTable::DataChanged, this, &TDataSource::DataChanged);
    links_ << connect(dataSet, &TTable::ActiveChanged, this, &TDataSource::DataChanged);
    links_ << connect(dataSet, &TTable::StateChanged, this, &TDataSource::StateChanged);
  }
  emit DataChanged();
}

// --- TFieldDataLink --------------------------------------------------------------

void TFieldDataLink::SetDataSource(TDataSource* source) {
  if (link_) disconnect(link_);
  dataSource_ = source;
  if (source) link_ = connect(source, &TDataSource::DataChanged, this, &TFieldDataLink::DataChanged);
  emit DataChanged();
}

void TFieldDataLink::SetFieldName(const QString& name) {
  fieldName_ = name;
  emit DataChanged();
}

bool TFieldDataLink::Active() const {
  TTable* t = DataSet();
  return t && t->Active() && t->HasField(fieldName_);
}

std::optional<orn::Field> TFieldDataLink::Field() const {
  if (!Active()) return std::nullopt;
  return DataSet()->FieldByName(fieldName_);
}

QString TFieldDataLink::Text() const { return Active() ? DataSet()->FieldText(fieldName_) : QString(); }

bool TFieldDataLink::Store(const QString& text, const QString& caption) {
  TTable* t = DataSet();
  if (!Active()) return false;
  try {
    if (t->State() == orn::TableState::Browse) {
      if (t->IsEmpty())
        t->Append();
      else
        t->Edit();
    }
    t->FieldByName(fieldName_).SetAsString(S(text));
    t->Post();
    return true;
  } catch (const std::exception& e) {
    t->Cancel();
    orn::ShowTableError(caption, e);
    emit DataChanged();
    return false;
  }
}

void TFieldDataLink::Reset() {
  if (TTable* t = DataSet(); t && t->Active() && t->State() != orn::TableState::Browse) t->Cancel();
  emit DataChanged();
}

namespace orn {

void ShowTableError(const QString& caption, const std::exception& error) {
  MessageBoxRequest request;
  request.caption = caption.toStdString();
  request.message = error.what();
  request.iconIndex = 1;
  request.buttons = 0;
  Dialogs().MessageBox(request);
}

}  // namespace orn
