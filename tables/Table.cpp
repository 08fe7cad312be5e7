#include "Table.h"

#include <algorithm>
#include <cctype>

#include "Aliases.h"
#include "FieldCodec.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "MemoFile.h"
#include "PrimaryIndex.h"
#include "TableError.h"
#include "TableWriter.h"
#include "TextUtil.h"

namespace orn {

using namespace paradox;

namespace {

// Field names compare without regard to case; names hold UTF-8, so the
// letters of the Latin-1, Latin Extended-A and Cyrillic ranges are folded
// as well as ASCII.
std::u32string FoldCase(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    if (cp >= 'a' && cp <= 'z')
      cp -= 0x20;
    else if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
      cp -= 0x20;
    else if (cp >= 0x100 && cp <= 0x17F && (cp & 1) && cp != 0x131 && cp != 0x138 && cp != 0x149)
      cp -= 1;
    else if (cp >= 0x430 && cp <= 0x44F)
      cp -= 0x20;
    else if (cp >= 0x450 && cp <= 0x45F)
      cp -= 0x50;
    out += cp;
  }
  return out;
}

// .Xnn/.Ynn and .XGn/.YGn: secondary indexes, which this layer does not
// rebuild.
bool IsSecondaryIndexExt(const std::string& ext) {
  const std::string u = UpperAscii(ext);
  if (u.size() != 4 || u[0] != '.' || (u[1] != 'X' && u[1] != 'Y')) return false;
  if (u[2] == 'G') return std::isdigit(static_cast<unsigned char>(u[3])) != 0;
  return std::isxdigit(static_cast<unsigned char>(u[2])) && std::isxdigit(static_cast<unsigned char>(u[3]));
}

// A file in `dir` named `name` in any letter case (tables copied from
// Windows keep whatever case they had).
std::string FindInFolder(const std::string& dir, const std::string& name) {
  const std::string exact = JoinPath(dir, name);
  if (FileExists(exact)) return exact;
  for (const auto& f : FindFiles(dir, name))
    if (UpperAscii(f.name) == UpperAscii(name)) return JoinPath(dir, f.name);
  return exact;
}

std::string CompanionIndexPath(const std::string& tablePath) {
  const std::string dir = ExtractFilePath(tablePath).empty() ? "." : ExtractFilePath(tablePath);
  const std::string base = ExtractFileName(CutAtFirstDotOfName(tablePath));
  const std::string ext = ExtractFileExt(tablePath);
  const bool lower = ext.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
  std::string found = FindInFolder(dir, base + ".PX");
  if (FileExists(found)) return found;
  return JoinPath(ExtractFilePath(tablePath).empty() ? "" : dir, base + (lower ? ".px" : ".PX"));
}

}  // namespace

// --- Field -----------------------------------------------------------------

const std::string& Field::FieldName() const { return table_->image_.fields[index_].name; }

int Field::Size() const {
  const auto& f = table_->image_.fields[index_];
  switch (f.type) {
    case kAlpha:
    case kBytes:
    case kBcd:
      return f.declaredSize;
    default:
      return IsBlobType(f.type) ? f.declaredSize - 10 : 0;
  }
}

std::string Field::DataType() const { return FieldTypeName(table_->image_.fields[index_].type); }

bool Field::ReadOnly() const {
  const auto& f = table_->image_.fields[index_];
  return f.type == kAutoInc || IsBlobType(f.type);
}

bool Field::IsNull() const {
  const char* record = table_->CurrentRecord();
  return !record || paradox::IsNull(table_->image_.fields[index_], record);
}

std::string Field::AsString() const {
  const char* record = table_->CurrentRecord();
  if (!record) return "";
  const auto& f = table_->image_.fields[index_];
  if (!IsBlobType(f.type)) return FormatValue(f, record, table_->TextCodePage());
  std::string data = table_->memo_->Read(f, record);
  if (f.type != kMemo) return data;
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return DecodeText(data, table_->TextCodePage());
}

bool Field::AsBoolean() const {
  const char* record = table_->CurrentRecord();
  if (!record) return false;
  const auto& f = table_->image_.fields[index_];
  if (f.type != kLogical) throw TableError(table_->path_, "Field " + f.name + " is not a Logical field");
  return BooleanValue(f, record).value_or(false);
}

DateTime Field::AsDateTime() const {
  const char* record = table_->CurrentRecord();
  if (!record) return 0;
  const auto& f = table_->image_.fields[index_];
  if (f.type != kDate && f.type != kTime && f.type != kTimestamp)
    throw TableError(table_->path_, "Field " + f.name + " is not a date or time field");
  return DateTimeValue(f, record).value_or(0);
}

double Field::AsFloat() const {
  const char* record = table_->CurrentRecord();
  if (!record) return 0;
  const auto& f = table_->image_.fields[index_];
  if (f.type == kShort || f.type == kLong || f.type == kAutoInc || f.type == kNumber || f.type == kCurrency ||
      f.type == kBcd)
    return NumberValue(f, record).value_or(0);
  if (f.type == kDate || f.type == kTime || f.type == kTimestamp) return AsDateTime();
  throw TableError(table_->path_, "Field " + f.name + " is not a number field");
}

void Field::SetAsString(const std::string& value) {
  StoreText(table_->image_.fields[index_], table_->EditBuffer(index_), value, table_->TextCodePage(), table_->path_);
}

void Field::SetAsBoolean(bool value) {
  StoreBoolean(table_->image_.fields[index_], table_->EditBuffer(index_), value, table_->path_);
}

void Field::SetAsDateTime(DateTime value) {
  StoreDateTime(table_->image_.fields[index_], table_->EditBuffer(index_), value, table_->path_);
}

void Field::SetAsFloat(double value) {
  StoreNumber(table_->image_.fields[index_], table_->EditBuffer(index_), value, table_->path_);
}

void Field::Clear() { StoreNull(table_->image_.fields[index_], table_->EditBuffer(index_)); }

// --- Table: opening and moving -------------------------------------------------

Table::Table() = default;
Table::Table(std::string databaseName, std::string tableName)
    : databaseName_(std::move(databaseName)), tableName_(std::move(tableName)) {}
Table::~Table() = default;

void Table::Open() {
  if (Active()) return;
  if (tableName_.empty()) throw TableError(databaseName_, "No table name is given");
  // A name with a separator is a folder; a plain name is an alias first (as
  // the design's engine resolves it), else a folder of that name.
  std::string dir = databaseName_;
  if (!dir.empty() && dir.find(kPathDelim) == std::string::npos) {
    try {
      dir = GetAliasParams(databaseName_).front().substr(5);
      if (!DirectoryExists(dir))
        throw TableError(AliasFilePath(),
                         "The folder \"" + dir + "\" of database alias \"" + databaseName_ + "\" does not exist");
    } catch (const TableError&) {
      if (!DirectoryExists(databaseName_)) throw;
      dir = databaseName_;
    }
  } else if (!dir.empty() && !DirectoryExists(dir)) {
    throw TableError(dir, "The database folder does not exist");
  }
  if (dir.empty()) dir = ".";
  std::string name = tableName_;
  if (ExtractFileExt(name).empty()) name += ".DB";
  const std::string path = IsAbsolutePath(name) ? name : FindInFolder(dir, name);
  std::string error;
  // A change cut short between renaming the table and its index is
  // completed first, so that nothing reads a mismatched pair.
  if (!FinishInterruptedReplaces(ExtractFilePath(path), &error)) throw TableError(path, error);
  if (!FileExists(path)) throw TableError(path, "The table does not exist");
  auto bytes = ReadWholeFile(path, &error);
  if (!bytes) throw TableError(path, "The table cannot be read");
  image_ = ParseTable(path, *bytes);
  loadedBytes_ = std::move(*bytes);
  path_ = path;
  memo_ = std::make_unique<MemoFile>(MemoFilePath(path));
  state_ = TableState::Browse;
  indexFields_.clear();
  indexName_.clear();
  RebuildOrder();
  First();
}

void Table::Close() {
  state_ = TableState::Inactive;
  image_ = TableImage{};
  loadedBytes_.clear();
  memo_.reset();
  order_.clear();
  editBuffer_.clear();
  eof_ = bof_ = true;
}

void Table::RequireActive() const {
  if (!Active()) throw TableError(tableName_, "The table is not open");
}

int Table::RecordCount() const {
  RequireActive();
  return static_cast<int>(image_.records.size());
}

int Table::RecNo() const { return order_.empty() ? 0 : cursor_ + 1; }

void Table::First() {
  RequireBrowse("move");
  cursor_ = 0;
  eof_ = bof_ = true;
  if (!order_.empty()) eof_ = false;
}

void Table::Last() {
  RequireBrowse("move");
  cursor_ = order_.empty() ? 0 : static_cast<int>(order_.size()) - 1;
  eof_ = order_.empty();
  bof_ = order_.empty();
}

void Table::Next() {
  RequireBrowse("move");
  bof_ = false;
  if (cursor_ + 1 < static_cast<int>(order_.size()))
    ++cursor_;
  else
    eof_ = true;
}

void Table::Prior() {
  RequireBrowse("move");
  eof_ = order_.empty();
  if (cursor_ > 0)
    --cursor_;
  else
    bof_ = true;
}

bool Table::Eof() const { return !Active() || order_.empty() || eof_; }
bool Table::Bof() const { return !Active() || order_.empty() || bof_; }

int Table::FieldCount() const {
  RequireActive();
  return static_cast<int>(image_.fields.size());
}

Field Table::Fields(int index) {
  RequireActive();
  if (index < 0 || index >= FieldCount())
    throw TableError(path_, "Field number " + std::to_string(index) + " is out of range");
  return Field(this, index);
}

int Table::FieldIndex(const std::string& name) const {
  const auto wanted = FoldCase(name);
  for (std::size_t i = 0; i < image_.fields.size(); ++i)
    if (FoldCase(image_.fields[i].name) == wanted) return static_cast<int>(i);
  return -1;
}

bool Table::HasField(const std::string& name) const { return Active() && FieldIndex(name) >= 0; }

Field Table::FieldByName(const std::string& name) {
  RequireActive();
  const int i = FieldIndex(name);
  if (i < 0) throw TableError(path_, "Field '" + name + "' not found");
  return Field(this, i);
}

int Table::KeyFieldCount() const { return image_.keyFields; }

int Table::TextCodePage() const { return paradox::TextCodePage(image_, codePageOverride_); }

const char* Table::CurrentRecord() const {
  if (state_ == TableState::Edit || state_ == TableState::Insert) return editBuffer_.data();
  if (order_.empty()) return nullptr;
  return image_.records[order_[cursor_]].data();
}

char* Table::EditBuffer(int fieldIndex) {
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw TableError(path_, "Field " + image_.fields[fieldIndex].name + " can only be set while editing or appending");
  if (IsBlobType(image_.fields[fieldIndex].type))
    throw TableError(path_, "Memo and blob field " + image_.fields[fieldIndex].name + " cannot be changed here");
  return editBuffer_.data();
}

void Table::RequireBrowse(const char* operation) const {
  RequireActive();
  if (state_ != TableState::Browse)
    throw TableError(path_,
                     std::string("Cannot ") + operation + " while a record is being edited; post or cancel first");
}

// --- indexes and searching ---------------------------------------------------

std::vector<int> Table::ActiveIndexFields() const {
  if (!indexFields_.empty()) return indexFields_;
  std::vector<int> key;
  for (int i = 0; i < image_.keyFields; ++i) key.push_back(i);
  return key;
}

int Table::CompareOnIndex(const char* a, const char* b, int fields) const {
  const auto index = ActiveIndexFields();
  for (int i = 0; i < fields && i < static_cast<int>(index.size()); ++i) {
    int c = CompareFields(image_, index[i], a, b);
    if (c != 0) return c;
  }
  return 0;
}

void Table::RebuildOrder() {
  order_.resize(image_.records.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
  if (indexFields_.empty()) return;
  const int n = static_cast<int>(indexFields_.size());
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
    return CompareOnIndex(image_.records[a].data(), image_.records[b].data(), n) < 0;
  });
}

void Table::SetIndexFieldNames(const std::string& fieldNames) {
  RequireBrowse("switch the index");
  std::vector<int> fields;
  std::size_t pos = 0;
  while (pos <= fieldNames.size() && !fieldNames.empty()) {
    auto end = fieldNames.find(';', pos);
    if (end == std::string::npos) end = fieldNames.size();
    std::string name = fieldNames.substr(pos, end - pos);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    pos = end + 1;
    if (name.empty()) continue;
    int i = FieldIndex(name);
    if (i < 0) throw TableError(path_, "Index on field '" + name + "' not found");
    if (IsBlobType(image_.fields[i].type)) throw TableError(path_, "A memo or blob field cannot be indexed");
    fields.push_back(i);
  }
  const int current = order_.empty() ? -1 : order_[cursor_];
  indexFields_ = fields;
  indexName_ = fieldNames;
  RebuildOrder();
  auto it = std::find(order_.begin(), order_.end(), current);
  cursor_ = it == order_.end() ? 0 : static_cast<int>(it - order_.begin());
}

void Table::SetIndexName(const std::string& name) { SetIndexFieldNames(name); }

std::string Table::ProbeRecord(const std::vector<std::string>& values) const {
  const auto index = ActiveIndexFields();
  if (index.empty()) throw TableError(path_, "The table has no key to search by");
  if (values.size() > index.size()) throw TableError(path_, "More key values than key fields");
  std::string probe(static_cast<std::size_t>(image_.recordSize), '\0');
  for (std::size_t i = 0; i < values.size(); ++i)
    StoreText(image_.fields[index[i]], probe.data(), values[i], TextCodePage(), path_);
  return probe;
}

bool Table::FindKey(const std::vector<std::string>& values) {
  RequireBrowse("search");
  if (ActiveIndexFields().empty()) throw TableError(path_, "The table has no key to search by");
  std::string probe;
  try {
    probe = ProbeRecord(values);
  } catch (const TableError&) {
    return false;  // a value no record can hold (too long, not in the code page)
  }
  const int n = static_cast<int>(values.size());
  for (std::size_t i = 0; i < order_.size(); ++i) {
    if (CompareOnIndex(image_.records[order_[i]].data(), probe.data(), n) == 0) {
      cursor_ = static_cast<int>(i);
      eof_ = bof_ = false;
      return true;
    }
  }
  return false;
}

void Table::FindNearest(const std::vector<std::string>& values) {
  RequireBrowse("search");
  const std::string probe = ProbeRecord(values);
  const int n = static_cast<int>(values.size());
  eof_ = bof_ = order_.empty();
  for (std::size_t i = 0; i < order_.size(); ++i) {
    if (CompareOnIndex(image_.records[order_[i]].data(), probe.data(), n) >= 0) {
      cursor_ = static_cast<int>(i);
      return;
    }
  }
  cursor_ = order_.empty() ? 0 : static_cast<int>(order_.size()) - 1;
}

// --- changing ------------------------------------------------------------------

void Table::CheckCanChange() const {
  RequireActive();
  if (image_.version < kVersion40)
    throw TableError(path_, "Tables of Paradox format below 4.0 are not changed, to keep them readable");
  if (image_.encrypted) throw TableError(path_, "Encrypted tables cannot be changed");
  const std::string dir = ExtractFilePath(path_).empty() ? "." : ExtractFilePath(path_);
  const std::string base = ExtractFileName(CutAtFirstDotOfName(path_));
  for (const auto& f : FindFiles(dir, base + ".*"))
    if (IsSecondaryIndexExt(ExtractFileExt(f.name)) &&
        UpperAscii(ExtractFileName(CutAtFirstDotOfName(f.name))) == UpperAscii(base))
      throw TableError(
          path_, "The table has secondary indexes (" + f.name + ") that cannot be kept up to date; it is not changed");
  CheckWritable(path_);
  if (image_.keyFields > 0) CheckWritable(CompanionIndexPath(path_));
}

void Table::Delete() {
  RequireBrowse("delete");
  if (order_.empty()) throw TableError(path_, "There is no record to delete");
  CheckCanChange();
  auto records = image_.records;
  const int victim = order_[cursor_];
  records.erase(records.begin() + victim);
  const int position = cursor_;
  Commit(std::move(records), -1);
  cursor_ = std::min(position, std::max(0, static_cast<int>(order_.size()) - 1));
  eof_ = order_.empty();
  bof_ = order_.empty() || cursor_ == 0;
}

void Table::Edit() {
  RequireBrowse("edit");
  if (order_.empty()) throw TableError(path_, "There is no record to edit");
  CheckCanChange();
  editBuffer_ = image_.records[order_[cursor_]];
  state_ = TableState::Edit;
}

void Table::Append() {
  RequireBrowse("append");
  CheckCanChange();
  editBuffer_.assign(static_cast<std::size_t>(image_.recordSize), '\0');
  state_ = TableState::Insert;
}

void Table::Cancel() {
  RequireActive();
  if (state_ == TableState::Browse) return;
  state_ = TableState::Browse;
  editBuffer_.clear();
}

void Table::Post() {
  RequireActive();
  if (state_ == TableState::Browse) return;
  try {
    std::string record = editBuffer_;
    auto records = image_.records;
    // An empty AutoInc field takes the next number the header holds.
    std::uint32_t autoInc = GetLe(image_.header, kOffAutoInc, 4);
    bool autoIncUsed = false;
    for (const auto& f : image_.fields) {
      if (f.type == kAutoInc && IsNull(f, record.data())) {
        StoreNumber(f, record.data(), static_cast<double>(++autoInc), path_);
        autoIncUsed = true;
      }
    }
    const int keyFields = image_.keyFields;
    int position;
    const int editing = state_ == TableState::Edit ? order_[cursor_] : -1;
    if (editing >= 0) records.erase(records.begin() + editing);
    if (keyFields > 0) {
      // A blank key is allowed (once, as keys are unique), as the table's own
      // engine allows it; registers hold such records until cleaned.
      auto it =
          std::lower_bound(records.begin(), records.end(), record, [&](const std::string& a, const std::string& b) {
            return CompareKeys(image_, a.data(), b.data(), keyFields) < 0;
          });
      if (it != records.end() && CompareKeys(image_, it->data(), record.data(), keyFields) == 0)
        throw TableError(path_, "Key violation: a record with this key already exists");
      // Keep an edited record where it was when its key did not move it.
      if (editing >= 0 && CompareKeys(image_, record.data(), image_.records[editing].data(), keyFields) == 0)
        it = records.begin() + editing;
      position = static_cast<int>(it - records.begin());
      records.insert(it, record);
    } else if (editing >= 0) {
      position = editing;
      records.insert(records.begin() + editing, record);
    } else {
      position = static_cast<int>(records.size());
      records.push_back(record);
    }
    if (autoIncUsed) PutLe(image_.header, kOffAutoInc, 4, autoInc);
    Commit(std::move(records), position);
  } catch (...) {
    // The files are as they were; so is the table in memory, and the record
    // stays in editing so that the caller can correct it or cancel.
    image_ = ParseTable(path_, loadedBytes_);
    RebuildOrder();
    throw;
  }
  state_ = TableState::Browse;
  editBuffer_.clear();
}

void Table::Commit(std::vector<std::string> records, int currentRecord) {
  CheckCanChange();
  // Another program may have changed the table since it was read; writing
  // over that would lose its change.
  std::string error;
  auto onDisk = ReadWholeFile(path_, &error);
  if (!onDisk || *onDisk != loadedBytes_)
    throw TableError(path_, "The table was changed by another program since it was opened; reopen it and try again");

  const int keyFields = image_.keyFields;
  std::vector<std::pair<std::string, std::string>> files;
  std::string dbBytes = BuildTableBytes(image_, records);
  files.emplace_back(path_, dbBytes);
  if (keyFields > 0) {
    for (std::size_t i = 1; i < records.size(); ++i)
      if (CompareKeys(image_, records[i - 1].data(), records[i].data(), keyFields) >= 0)
        throw TableError(path_, "The records are not in an order this program can keep; the table is not changed");
    const std::string pxPath = CompanionIndexPath(path_);
    std::string header;
    if (FileExists(pxPath)) {
      auto px = ReadWholeFile(pxPath, &error);
      if (!px || px->size() < 0x58) throw TableError(pxPath, "The primary index cannot be read");
      const auto headerSize = GetLe(*px, kOffHeaderSize, 2);
      if (headerSize > px->size()) throw TableError(pxPath, "The primary index is damaged");
      header = px->substr(0, headerSize);
      CheckIndexHeader(image_, header, pxPath);
    } else {
      header = NewIndexHeader(image_, ExtractFileName(pxPath));
    }
    files.emplace_back(pxPath, BuildIndex(image_, header, records, pxPath));
  }
  CommitFiles(files);
  image_ = ParseTable(path_, dbBytes);
  loadedBytes_ = std::move(dbBytes);
  RebuildOrder();
  if (currentRecord >= 0) {
    auto it = std::find(order_.begin(), order_.end(), currentRecord);
    cursor_ = it == order_.end() ? 0 : static_cast<int>(it - order_.begin());
    eof_ = bof_ = false;
  }
}

}  // namespace orn
