// What the evaluator reads from the world: the current record of a dataset,
// the forms of the application (for form-qualified names and FORMNOTNIL) and
// the currency-rate table of GETKURS. The table layer and the form base
// implement these; MemoryDataset.h has small in-memory versions.
#pragma once

#include <optional>
#include <string>

#include "DateTime.h"

namespace orn {

// Field types as the table layer reports them. Only the group matters to the
// evaluator: text, Boolean, float, date, time, or "a number kept as Par".
enum class FieldType {
  String,
  WideString,
  Memo,
  Boolean,
  Float,
  Currency,
  Bcd,
  SmallInt,
  Integer,
  Word,
  LargeInt,
  AutoInc,
  Date,
  Time,
  DateTime,
  Other,
};

// One field of the current record.
struct FieldValue {
  FieldType type = FieldType::String;
  bool isNull = false;
  std::string text;       // String, WideString, Memo, Other: the text in UTF-8
  long long integer = 0;  // SmallInt ... AutoInc; Boolean (0 or 1)
  double number = 0;      // Float, Currency, Bcd; Date, Time, DateTime as a day count
};

class ExprDataset {
 public:
  virtual ~ExprDataset() = default;
  // The current record's field of that name (compared without regard to
  // letter case), or nothing when the dataset has no such field.
  virtual std::optional<FieldValue> FieldByName(const std::string& name) const = 0;
};

// A form or data module as the evaluator sees it: a name and dataset
// components found by name.
class ExprForm {
 public:
  virtual ~ExprForm() = default;
  virtual std::string Name() const = 0;
  // The dataset component of that name (letter case ignored), or null.
  virtual const ExprDataset* FindDataset(const std::string& component) const = 0;
};

// The application: its main window's kind and the open forms. Not owned by
// the evaluator; the default host knows no forms at all.
class ExprHost {
 public:
  virtual ~ExprHost() = default;
  virtual bool MainFormIsMdiFrame() const { return false; }
  virtual ExprForm* ActiveMdiChild() const { return nullptr; }
  // The MDI child of that name (letter case ignored), or null.
  virtual ExprForm* FindMdiChild(const std::string&) const { return nullptr; }
  // The application's component of that name when it is a form or data
  // module, else null.
  virtual ExprForm* FindApplicationComponent(const std::string&) const { return nullptr; }
  // True when the application owns a component of that name (of any kind).
  virtual bool HasApplicationComponent(const std::string& name) const {
    return FindApplicationComponent(name) != nullptr;
  }
};

// The record GETKURS reads.
struct RateRecord {
  std::string valKod;  // currency code, UTF-8
  DateTime dataNach = 0;
  DateTime dataKon = 0;
  double valKurs = 0;
  double valKf = 0;
};

// The currency-rate table, its current index on (ValKod, DataNach).
class RateDataset {
 public:
  virtual ~RateDataset() = default;
  virtual bool Active() const = 0;
  virtual void Open() = 0;
  // Nearest-key search: moves to the first record whose key is at or after
  // (code, date); false when there is none (the cursor is then past the
  // last record).
  virtual bool FindNearest(const std::string& code, DateTime date) = 0;
  // Moves one record back (from past the end: to the last record); false
  // when there is no record before.
  virtual bool Prior() = 0;
  virtual RateRecord Current() const = 0;
};

}  // namespace orn
