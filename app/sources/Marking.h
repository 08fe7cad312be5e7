// What the register marking window shows and writes: one line per register
// record (Fail, Comment and Comment2 in padded columns) ticked by PriznArh,
// and, on OK, the changed ticks written back record by record.
#pragma once

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

}  // namespace orn
