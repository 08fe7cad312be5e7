// Small in-memory stand-ins for the table layer and the form base: a dataset
// of typed fields and rows, a form holding named datasets, an application
// host and a currency-rate table. Tests, the benchmark and tools use them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ExprData.h"

namespace orn {

class MemoryDataset : public ExprDataset {
 public:
  // Declares a field; rows added later hold one value per field, in order.
  void AddField(const std::string& name, FieldType type);
  // Appends a row and makes it the current record.
  void AddRow(std::vector<FieldValue> values);
  void SetCurrent(std::size_t row) { current_ = row; }
  std::size_t RowCount() const { return rows_.size(); }

  std::optional<FieldValue> FieldByName(const std::string& name) const override;

  // Value builders.
  static FieldValue Text(const std::string& utf8);
  static FieldValue Int(long long value);
  static FieldValue Real(double value, FieldType type = FieldType::Float);
  static FieldValue Boolean(bool value);
  static FieldValue Day(DateTime value, FieldType type = FieldType::Date);
  static FieldValue Null(FieldType type);

 private:
  std::vector<std::pair<std::string, FieldType>> fields_;  // upper-cased names
  std::vector<std::vector<FieldValue>> rows_;
  std::size_t current_ = 0;
};

class MemoryForm : public ExprForm {
 public:
  explicit MemoryForm(std::string name) : name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  const ExprDataset* FindDataset(const std::string& component) const override;
  // The form does not own the dataset.
  void AddDataset(const std::string& component, const ExprDataset* dataset);

 private:
  std::string name_;
  std::map<std::string, const ExprDataset*> datasets_;  // upper-cased names
};

// An application: forms (not owned) reachable as components or MDI children.
class MemoryHost : public ExprHost {
 public:
  bool mdiFrame = false;
  ExprForm* activeChild = nullptr;

  void AddForm(ExprForm* form) { forms_.push_back(form); }
  bool MainFormIsMdiFrame() const override { return mdiFrame; }
  ExprForm* ActiveMdiChild() const override { return activeChild; }
  ExprForm* FindMdiChild(const std::string& name) const override;
  ExprForm* FindApplicationComponent(const std::string& name) const override;

 private:
  std::vector<ExprForm*> forms_;
};

// Rate records kept in (ValKod, DataNach) order, as the table's index keeps them.
class MemoryRateDataset : public RateDataset {
 public:
  void Add(RateRecord record);
  bool Active() const override { return active_; }
  void Open() override { active_ = true; }
  bool FindNearest(const std::string& code, DateTime date) override;
  bool Prior() override;
  RateRecord Current() const override;

 private:
  std::vector<RateRecord> records_;
  std::size_t cursor_ = 0;  // == size(): past the last record
  bool active_ = false;
};

}  // namespace orn
