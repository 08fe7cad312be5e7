// TFormUnAr, the file chooser of an extraction: the archive's files on the
// left, the files to restore on the right, and four buttons that move the
// selected or all names across. Companion files never appear; the choice
// brings them along on OK (FileChooserModel::ExtractionList). The window
// shows the model and lets its buttons change it.
#pragma once

#include "Extraction.h"
#include "OrnForma.h"

class QListWidget;
class TOrnBitBtn;
class TOrnButton;

class TFormUnAr : public TOrnForm {
  Q_OBJECT

 public:
  explicit TFormUnAr(orn::FileChooserModel& model, QWidget* parent = nullptr);

  // Event handlers, named after their controls.
  void IncludeBtnClick();  // ">"
  void IncAllBtnClick();   // ">>"
  void ExcludeBtnClick();  // "<"
  void ExAllBtnClick();    // "<<"
  void OkClick();
  void CancelClick();

 private:
  void ShowModel();
  void SelectRow(QListWidget* list, std::optional<size_t> row);
  void UpdateButtons();
  static std::vector<size_t> SelectedRows(const QListWidget* list);

  orn::FileChooserModel& model_;
  QListWidget* lbSavedFiles_;
  QListWidget* lbUnSaveFiles_;
  TOrnBitBtn* includeBtn_;
  TOrnBitBtn* incAllBtn_;
  TOrnBitBtn* excludeBtn_;
  TOrnBitBtn* exAllBtn_;
  TOrnButton* okButton_;
  TOrnButton* cancelButton_;
};
