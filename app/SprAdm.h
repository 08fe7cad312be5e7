// TfrmSPRAdmin, the register marking window: one check line per register
// record (Fail, Comment, Comment2 in padded columns), ticked when the table
// is archived. OK hands the ticks to whoever writes them (RegisterMarking
// over the open register) and closes once they are written; Cancel writes
// nothing. The window itself never touches the table.
#pragma once

#include <functional>
#include <vector>

#include "Marking.h"
#include "OrnForma.h"

class QListWidget;
class TOrnBitBtn;

class TfrmSPRAdmin : public TOrnForm {
  Q_OBJECT

 public:
  // Writes the lines' ticks on OK and answers how many records changed;
  // a failure is thrown and shown, and the window stays open.
  using WriteMarks = std::function<int(const std::vector<orn::MarkingLine>&)>;
  explicit TfrmSPRAdmin(WriteMarks writeMarks, QWidget* parent = nullptr);

  // Fills the check list and the key list from the register's lines.
  void SetLines(const std::vector<orn::MarkingLine>& lines);
  // The lines with the ticks as they stand in the window.
  std::vector<orn::MarkingLine> Lines() const;
  // Records written by the last OK.
  int Written() const { return written_; }

  // Event handlers, named after their controls. A failed write is shown as
  // the table layer reports it and the window stays open.
  void DBbuOkClick();
  void DBbuNoClick();

 private:
  WriteMarks writeMarks_;
  std::vector<orn::MarkingLine> lines_;  // the key list, in line order
  QListWidget* spr_;
  TOrnBitBtn* dbbuOk_;
  TOrnBitBtn* dbbuNo_;
  int written_ = 0;
};
