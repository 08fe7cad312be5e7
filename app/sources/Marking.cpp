#include "Marking.h"

#include "Register.h"
#include "Table.h"
#include "TableError.h"

namespace orn {

namespace {

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string PadRight(const std::string& text, std::size_t width) {
  const std::size_t n = CharacterCount(text);
  return n >= width ? text : text + std::string(width - n, ' ');
}

// The register's key is Fail; a register without a primary key is searched
// record by record.
bool FindByFail(Table& reg, const std::string& fail) {
  auto field = reg.FieldByName("Fail");
  if (reg.KeyFieldCount() > 0 && field.FieldName() == reg.Fields(0).FieldName()) return reg.FindKey({fail});
  for (reg.First(); !reg.Eof(); reg.Next())
    if (field.AsString() == fail) return true;
  return false;
}

}  // namespace

std::string FormatMarkingLine(const std::string& fail, const std::string& comment, const std::string& comment2) {
  return PadRight(fail, 15) + " " + PadRight(comment, 30) + " " + PadRight(comment2, 30);
}

std::optional<std::vector<MarkingLine>> ReadMarkingLines(Table& reg) {
  if (!reg.HasField("PriznArh")) return std::nullopt;
  auto fail = reg.FieldByName("Fail");
  auto comment = reg.FieldByName("Comment");
  auto comment2 = reg.FieldByName("Comment2");
  auto mark = reg.FieldByName("PriznArh");
  std::vector<MarkingLine> lines;
  for (reg.First(); !reg.Eof(); reg.Next())
    lines.push_back({fail.AsString(), FormatMarkingLine(fail.AsString(), comment.AsString(), comment2.AsString()),
                     mark.AsBoolean()});
  return lines;
}

int WriteChangedMarks(Table& reg, const std::vector<MarkingLine>& lines) {
  auto mark = reg.FieldByName("PriznArh");
  int written = 0;
  for (const auto& line : lines) {
    if (!FindByFail(reg, line.key)) continue;
    if (mark.AsBoolean() == line.checked) continue;
    reg.Edit();
    try {
      mark.SetAsBoolean(line.checked);
      reg.Post();
    } catch (...) {
      reg.Cancel();
      throw;
    }
    ++written;
  }
  return written;
}

RegisterMarking::RegisterMarking(const std::string& registerPath) : table_(std::make_unique<Table>()) {
  OpenRegister(*table_, registerPath);
  CleanRegister(*table_);
  lines_ = ReadMarkingLines(*table_);
}

RegisterMarking::~RegisterMarking() = default;

const std::vector<MarkingLine>& RegisterMarking::Lines() const {
  static const std::vector<MarkingLine> none;
  return lines_ ? *lines_ : none;
}

int RegisterMarking::Write(const std::vector<MarkingLine>& lines) {
  const int written = WriteChangedMarks(*table_, lines);
  lines_ = lines;
  return written;
}

}  // namespace orn
