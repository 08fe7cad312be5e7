// TFormCopyToFlop: puts the archive files of a run onto floppies, one file
// per disk and one click per file. Drives "A:" and "B:" are two mount points
// named by the environment variables ORN_DRIVE_A and ORN_DRIVE_B; a drive
// whose variable is unset, or whose folder is missing, is disabled, as on a
// machine without that drive.
#pragma once

#include <string>
#include <vector>

#include "OrnForma.h"

class QCloseEvent;
class TOrnBitBtn;
class TOrnLabel;
class TOrnRadioButton;

namespace orn {
// The folder that stands for drive `letter` ('A' or 'B'); empty when none.
std::string FloppyMountPoint(char letter);
}  // namespace orn

class TFormCopyToFlop : public TOrnForm {
  Q_OBJECT

 public:
  // `files`: the archive files of the run, in order; `archiveName`: the job's
  // archive name, whose older files are removed from a disk before copying.
  TFormCopyToFlop(std::vector<std::string> files, std::string archiveName, QWidget* parent = nullptr);

  void FormShow();
  void BtnCopyToClick();
  void BtnExitClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void ShowInsertLabels(bool on);
  void SetCountColor(const QColor& color);

  std::vector<std::string> created_;
  std::string archiveName_;
  std::vector<std::string> pending_;
  std::vector<std::string> full_;
  TOrnLabel* lblNumArh_;
  TOrnLabel* lblNumKop_;
  TOrnLabel* lblInsert_;
  TOrnLabel* lblNumDisk_;
  TOrnLabel* lblDiskInDrive_;
  TOrnLabel* lblAllFilesCopy_;
  TOrnLabel* fileNam_;
  TOrnRadioButton* rbDiskA_;
  TOrnRadioButton* rbDiskB_;
  TOrnBitBtn* btnCopyTo_;
  TOrnBitBtn* btnExit_;
};
