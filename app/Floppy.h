// TFormCopyToFlop: puts the archive files of a run onto floppies, one file
// per disk and one click per file. Drives "A:" and "B:" are two mount points
// named by the environment variables ORN_DRIVE_A and ORN_DRIVE_B; a drive
// whose variable is unset, or whose folder is missing, is disabled, as on a
// machine without that drive. When the drive is a removable medium (a USB
// stick, a memory card), the window waits after each file until another
// medium is mounted there (or beside it) before it copies the next one, and
// a disk too full for the file may have its other files removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "OrnForma.h"
#include "RemovableMedia.h"

class QCloseEvent;
class QTimer;
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
  // Looks once whether the next disk is in; the window's timer calls it
  // while it waits.
  void LookForNextDisk();
  bool WaitingForDisk() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void ShowInsertLabels(bool on);
  void SetCountColor(const QColor& color);
  std::string Drive(char letter) const;
  void WaitForNextDisk(const orn::Medium& filled);
  bool CopyMakingRoom(const std::string& file, const std::string& drive);

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
  TOrnLabel* lblWaitDisk_;
  QTimer* diskTimer_;
  // The medium that took the last file, while the next one is awaited, and
  // the folder that stands for each drive once another medium took its place.
  std::optional<orn::Medium> filled_;
  std::vector<std::string> mountedBefore_;
  std::string replacedDrive_[2];
  TOrnRadioButton* rbDiskA_;
  TOrnRadioButton* rbDiskB_;
  TOrnBitBtn* btnCopyTo_;
  TOrnBitBtn* btnExit_;
};
