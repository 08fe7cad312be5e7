// What the register marking window shows and writes: one line per register
// record (Fail, Comment and Comment2 in padded columns) ticked by PriznArh,
// and, on OK, the changed ticks written back record by record. The window
// only shows the lines and hands back the ticks; RegisterMarking holds the
// open register and writes them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orn {

class Table;

struct MarkingLine {
  std::string key;   // the record's Fail, to find it again
  std::string text;  // the padded line the window shows
  bool checked = false;
};

// Fail padded with blanks to 15 characters, a blank, Comment padded to 30, a
// blank, Comment2 padded to 30; longer values are not cut. Characters, not
// bytes, are counted.
std::string FormatMarkingLine(const std::string& fail, const std::string& comment, const std::string& comment2);

// The lines of the open register in its order; nothing when the register has
// no PriznArh field (an older register, which cannot be marked).
std::optional<std::vector<MarkingLine>> ReadMarkingLines(Table& reg);

// For each line in order, finds the record by its key and, where the tick
// differs from PriznArh, edits the record and posts the new value. Returns
// the number of records written; unchanged ticks write nothing. A key that
// is no longer there is passed over. Throws TableError when a post fails.
int WriteChangedMarks(Table& reg, const std::vector<MarkingLine>& lines);

// The marking of one register from opening to OK: the register is opened
// and cleaned, its lines read, and the changed ticks written. Table errors
// are thrown (TableError) with the table's own reason.
class RegisterMarking {
 public:
  explicit RegisterMarking(const std::string& registerPath);
  ~RegisterMarking();
  RegisterMarking(const RegisterMarking&) = delete;
  RegisterMarking& operator=(const RegisterMarking&) = delete;

  // An older register without PriznArh cannot be marked: no lines.
  bool OldRegister() const { return !lines_; }
  const std::vector<MarkingLine>& Lines() const;
  // Writes the ticks that changed; the number of records written.
  int Write(const std::vector<MarkingLine>& lines);

 private:
  std::unique_ptr<Table> table_;
  std::optional<std::vector<MarkingLine>> lines_;
};

}  // namespace orn
