// The table access layer: a Paradox table opened by database name (a folder
// or an alias) and table name, walked record by record in the order of its
// current index, read field by field, and changed record by record. Every
// change is written to the files at once and keeps the primary index in
// step; a table that cannot be changed safely is refused before anything is
// touched. Failures are TableError exceptions.
//
// Data flow: Open reads the whole .DB (ParadoxFormat) into raw records;
// fields are decoded on demand (FieldCodec, MemoFile); a change edits the raw
// records and TableWriter lays them out again with a fresh .PX.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DateTime.h"
#include "ParadoxFormat.h"

namespace orn {

namespace paradox {
class MemoFile;
}

class Table;

// One field of the table's current record, or of the record being edited
// or appended. Cheap to copy; valid while its table stays open.
class Field {
 public:
  const std::string& FieldName() const;
  const std::string& DisplayLabel() const { return FieldName(); }
  // Characters of an Alpha field, bytes of a Bytes field, leader bytes of a
  // memo, decimals of a BCD field; 0 for the fixed-size types.
  int Size() const;
  // The Paradox type name: "Alpha", "Number", "Logical", "Memo", ...
  std::string DataType() const;
  bool ReadOnly() const;
  bool IsNull() const;

  // An empty field reads as "", false, 0.
  std::string AsString() const;
  bool AsBoolean() const;
  DateTime AsDateTime() const;
  double AsFloat() const;

  // Only while the table is being edited or appended to.
  void SetAsString(const std::string& value);
  void SetAsBoolean(bool value);
  void SetAsDateTime(DateTime value);
  void SetAsFloat(double value);
  void Clear();

 private:
  friend class Table;
  Field(Table* table, int index) : table_(table), index_(index) {}
  Table* table_;
  int index_;
};

enum class TableState { Inactive, Browse, Edit, Insert };

class Table {
 public:
  Table();
  Table(std::string databaseName, std::string tableName);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // A folder path, or the name of an alias from the alias file.
  void SetDatabaseName(const std::string& name) { databaseName_ = name; }
  const std::string& DatabaseName() const { return databaseName_; }
  // A file name such as "SprFiles.db"; ".DB" is assumed without extension.
  void SetTableName(const std::string& name) { tableName_ = name; }
  const std::string& TableName() const { return tableName_; }
  // Decode texts with this code page instead of the header's (for tables
  // whose header names the wrong one); 0 = the header's.
  void SetCodePage(int codePage) { codePageOverride_ = codePage; }
  // The full path of the open table's .DB.
  const std::string& FilePath() const { return path_; }

  void Open();
  void Close();
  bool Active() const { return state_ != TableState::Inactive; }
  TableState State() const { return state_; }

  int RecordCount() const;
  // 1-based position in the current index order; 0 when the table is empty.
  int RecNo() const;
  void First();
  void Next();
  void Prior();
  void Last();
  // True after Next from the last record, and on an empty table.
  bool Eof() const;
  bool Bof() const;

  int FieldCount() const;
  Field Fields(int index);
  bool HasField(const std::string& name) const;
  // Throws TableError when the table has no such field.
  Field FieldByName(const std::string& name);
  int KeyFieldCount() const;

  // Deletes the current record and writes the table.
  void Delete();
  // Starts changing the current record; Post writes it, Cancel drops it.
  void Edit();
  // Starts a new empty record; Post inserts it at its key position (keyed
  // tables) or at the end and writes the table.
  void Append();
  void Post();
  void Cancel();

  // Makes the record whose key fields equal `values` (as text, in key
  // order; fewer values than key fields match a prefix) current. False and
  // no move when there is none.
  bool FindKey(const std::vector<std::string>& values);
  // Moves to the first record, in the current index order, not below
  // `values`; to the last record when every record is below.
  void FindNearest(const std::vector<std::string>& values);

  // Switches the order: "" = the primary key (the table's own order),
  // otherwise the name of an index on one field (its field name) or
  // several field names separated by ';'. Throws for an unknown field.
  void SetIndexName(const std::string& name);
  void SetIndexFieldNames(const std::string& fieldNames);
  const std::string& IndexName() const { return indexName_; }

 private:
  friend class Field;
  void RequireActive() const;
  void RequireBrowse(const char* operation) const;
  void CheckCanChange() const;
  const char* CurrentRecord() const;
  char* EditBuffer(int fieldIndex);
  int FieldIndex(const std::string& name) const;
  int TextCodePage() const;
  void RebuildOrder();
  void Commit(std::vector<std::string> records, int currentRecord);
  std::string ProbeRecord(const std::vector<std::string>& values) const;
  int CompareOnIndex(const char* a, const char* b, int fields) const;
  std::vector<int> ActiveIndexFields() const;

  std::string databaseName_;
  std::string tableName_;
  std::string path_;
  std::string loadedBytes_;
  int codePageOverride_ = 0;
  paradox::TableImage image_;
  std::unique_ptr<paradox::MemoFile> memo_;
  TableState state_ = TableState::Inactive;
  std::vector<int> order_;  // record numbers in the current index order
  std::vector<int> indexFields_;
  std::string indexName_;
  int cursor_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  std::string editBuffer_;
};

}  // namespace orn
