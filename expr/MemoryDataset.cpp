#include "MemoryDataset.h"

#include <algorithm>

#include "TextUtil.h"

namespace orn {

void MemoryDataset::AddField(const std::string& name, FieldType type) { fields_.emplace_back(UpperAscii(name), type); }

void MemoryDataset::AddRow(std::vector<FieldValue> values) {
  values.resize(fields_.size());
  for (size_t i = 0; i < fields_.size(); ++i) values[i].type = fields_[i].second;
  rows_.push_back(std::move(values));
  current_ = rows_.size() - 1;
}

std::optional<FieldValue> MemoryDataset::FieldByName(const std::string& name) const {
  const std::string upper = UpperAscii(name);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].first != upper) continue;
    if (current_ < rows_.size()) return rows_[current_][i];
    return Null(fields_[i].second);
  }
  return std::nullopt;
}

FieldValue MemoryDataset::Text(const std::string& utf8) {
  FieldValue v;
  v.text = utf8;
  return v;
}

FieldValue MemoryDataset::Int(long long value) {
  FieldValue v;
  v.type = FieldType::Integer;
  v.integer = value;
  return v;
}

FieldValue MemoryDataset::Real(double value, FieldType type) {
  FieldValue v;
  v.type = type;
  v.number = value;
  return v;
}

FieldValue MemoryDataset::Boolean(bool value) {
  FieldValue v;
  v.type = FieldType::Boolean;
  v.integer = value ? 1 : 0;
  return v;
}

FieldValue MemoryDataset::Day(DateTime value, FieldType type) { return Real(value, type); }

FieldValue MemoryDataset::Null(FieldType type) {
  FieldValue v;
  v.type = type;
  v.isNull = true;
  return v;
}

const ExprDataset* MemoryForm::FindDataset(const std::string& component) const {
  auto found = datasets_.find(UpperAscii(component));
  return found == datasets_.end() ? nullptr : found->second;
}

void MemoryForm::AddDataset(const std::string& component, const ExprDataset* dataset) {
  datasets_[UpperAscii(component)] = dataset;
}

ExprForm* MemoryHost::FindMdiChild(const std::string& name) const {
  if (!mdiFrame) return nullptr;
  for (ExprForm* form : forms_)
    if (UpperAscii(form->Name()) == UpperAscii(name)) return form;
  return nullptr;
}

ExprForm* MemoryHost::FindApplicationComponent(const std::string& name) const {
  for (ExprForm* form : forms_)
    if (UpperAscii(form->Name()) == UpperAscii(name)) return form;
  return nullptr;
}

void MemoryRateDataset::Add(RateRecord record) {
  auto key = [](const RateRecord& r) { return std::make_pair(r.valKod, r.dataNach); };
  auto at = std::upper_bound(records_.begin(), records_.end(), record,
                             [&](const RateRecord& a, const RateRecord& b) { return key(a) < key(b); });
  records_.insert(at, std::move(record));
  cursor_ = records_.size();
}

bool MemoryRateDataset::FindNearest(const std::string& code, DateTime date) {
  auto at = std::lower_bound(records_.begin(), records_.end(), std::make_pair(code, date),
                             [](const RateRecord& r, const std::pair<std::string, DateTime>& k) {
                               return std::make_pair(r.valKod, r.dataNach) < k;
                             });
  cursor_ = static_cast<size_t>(at - records_.begin());
  return cursor_ < records_.size();
}

bool MemoryRateDataset::Prior() {
  if (cursor_ == 0) return false;
  --cursor_;
  return true;
}

RateRecord MemoryRateDataset::Current() const { return cursor_ < records_.size() ? records_[cursor_] : RateRecord{}; }

}  // namespace orn
