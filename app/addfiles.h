// TAddForm, the "Add files" window: browse folders, pick folders and files
// of the current folder, or type a mask, for the job list. The listing and
// the result follow AddFilesLogic; the window keeps the current folder and
// what is selected.
#pragma once

#include <string>
#include <vector>

#include "AddFilesLogic.h"
#include "OrnForma.h"

class QLineEdit;
class QListWidget;
class QToolButton;
class TOrnButton;
class TOrnLabel;

class TAddForm : public TOrnForm {
  Q_OBJECT

 public:
  // `startDirectory` is the folder shown first ("/" unless given).
  explicit TAddForm(const std::string& startDirectory = "/", QWidget* parent = nullptr);

  // Shows folder `dir` (with a trailing separator).
  void Fill(const std::string& dir);
  const std::string& CurrentDirectory() const { return directory_; }

  // What OK returned: the mask, then the selected entries as full paths.
  const std::vector<std::string>& Result() const { return result_; }

  // Event handlers, named after their controls.
  void DRCDblClick();
  void SpeedButton1Click();        // choose a folder
  void SpeedButton1ffvffdClick();  // up one level
  void Button1ssssxClick();        // OK
  void Button2dffcvcClick();       // Cancel

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string directory_;
  std::string selectCaption_ = "Select Directory";
  orn::AddFilesListing listing_;
  std::vector<std::string> result_;
  TOrnLabel* label2_;
  QToolButton* speedButton1_;
  QToolButton* speedButtonUp_;
  QListWidget* drc_;
  QListWidget* lb_;
  QLineEdit* edit_;
  TOrnButton* ok_;
  TOrnButton* cancel_;
};
