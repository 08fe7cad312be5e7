// TfrmSPRAdmin, the register marking window: one check line per register
// record (Fail, Comment, Comment2 in padded columns), ticked when the table
// is archived. OK writes back only the ticks that changed; Cancel writes
// nothing.
#pragma once

#include <vector>

#include "Marking.h"
#include "OrnForma.h"

class QListWidget;
class TOrnBitBtn;

namespace orn {
class Table;
}

class TfrmSPRAdmin : public TOrnForm {
  Q_OBJECT

 public:
  // `sprFile` is the open register; it is read by the caller and written
  // here on OK.
  explicit TfrmSPRAdmin(orn::Table& sprFile, QWidget* parent = nullptr);

  // Fills the check list and the key list from the register's lines.
  void SetLines(const std::vector<orn::MarkingLine>& lines);
  // The lines with the ticks as they stand in the window.
  std::vector<orn::MarkingLine> Lines() const;
  // Records written by the last OK.
  int Written() const { return written_; }

  // Event handlers, named after their controls. A failed post is shown as
  // the table layer reports it and the window stays open.
  void DBbuOkClick();
  void DBbuNoClick();

 private:
  orn::Table& sprFile_;
  std::vector<orn::MarkingLine> lines_;  // the key list, in line order
  QListWidget* spr_;
  TOrnBitBtn* dbbuOk_;
  TOrnBitBtn* dbbuNo_;
  int written_ = 0;
};
