// The unzip window TfrmSimplyZIP: any zip archive, outside any job, all or
// chosen entries into any folder, flat or with the stored folders. Its
// choice window TFormBefPars asks "all or chosen files" and "flat or with
// folders" before the list is shown. The window shows and forwards: the
// work is the core's unzip session, over a back-end around the window's own
// zip engine (Zipper), which lists the archive, reports what goes wrong and
// keeps extraction inside the chosen folder. The list remembers each
// entry's place in the listing, so a choice reaches the engine as places,
// never as names matched again. A code-page choice reads the names of this
// archive in another page; it is never stored.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "OrnForma.h"

class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QListWidget;
class QStatusBar;
class QTreeView;
class TOrnBitBtn;
class TOrnButton;
class TOrnLabel;
class TOrnRadioButton;
class TZipEngine;

namespace orn {
class UnzipSession;
class ZipEngineBackend;
}  // namespace orn

class TFormBefPars : public TOrnForm {
  Q_OBJECT

 public:
  explicit TFormBefPars(QWidget* parent = nullptr);

  void FormCreate() override;
  void OrnButtOKClick() { accept(); }

  bool AllFiles() const;
  bool WithFolders() const;

 private:
  TOrnRadioButton* ornLabVisif_;
  TOrnRadioButton* ornLabIzvelF_;
  TOrnRadioButton* ornRadioUzToDir_;
  TOrnRadioButton* ornRadioPaDirKakNado_;
  TOrnButton* ornButtOK_;
};

class TfrmSimplyZIP : public TOrnForm {
  Q_OBJECT

 public:
  explicit TfrmSimplyZIP(QWidget* parent = nullptr);
  ~TfrmSimplyZIP() override;

  // Base creation; the two choices start as "chosen files" and "flat".
  void FormCreate() override;
  void ChangeLanguage() override;
  // The whole dialog: the file-open dialog, the listing, the choice window
  // and this window, modally. False when the file dialog was cancelled
  // (nothing else happens then).
  bool Execute();

  // Handlers, named after the window's events.
  void SpeedButton2Click();  // of OrnButChooseDirec
  void SpeedButton3Click();  // extract
  void ZipperProgress(const std::string& fileName);

  // The archive chosen and listed, names in `codePage` (0: the language's
  // or the one they show); the folder chosen.
  void OpenArchive(const std::string& path, int codePage = 0);
  // The code page chosen in the window's choice (0: automatic).
  int ChosenCodePage() const;
  void SetTargetDirectory(const std::string& directory);
  void SetChoices(bool allFiles, bool flat);

  TZipEngine& Zipper() { return *zipper_; }
  bool ExtractAll() const { return extractAll_; }
  bool FlatExtraction() const { return flat_; }
  const std::string& TargetDirectory() const { return targetDir_; }
  // Extracted and asked for by the last SpeedButton3Click.
  int LastExtracted() const { return lastExtracted_; }
  int LastRequested() const { return lastRequested_; }
  orn::UnzipSession& Session() { return *session_; }

 public slots:
  // Refused while the library writes into the chosen folder.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateExtractButton();
  void ShowTargetDirectory();
  void FillCodePages();
  bool Running() const { return running_; }

  std::unique_ptr<TZipEngine> zipper_;
  std::unique_ptr<orn::ZipEngineBackend> backend_;
  std::unique_ptr<orn::UnzipSession> session_;
  bool running_ = false;
  bool extractAll_ = false;
  bool flat_ = true;
  std::string targetDir_;
  int lastExtracted_ = 0;
  int lastRequested_ = 0;

  TOrnBitBtn* speedButton3_;
  TOrnLabel* ornLabNotShow_;
  QListWidget* box_;
  QTreeView* directoryListBox1_;
  QFileSystemModel* directoryModel_;
  QStatusBar* statProg_;
  QLabel* statText_;
  TOrnButton* ornButChooseDirec_;
  TOrnLabel* codePageLabel_;
  QComboBox* codePage_;
  TOrnLabel* msgExtract_;
  TOrnLabel* msgNotZip_;
  TOrnLabel* msgNoFile_;
  TOrnLabel* msgNoFolder_;
  TOrnLabel* msgNotWritable_;
  TOrnLabel* msgNotAll_;
  TOrnLabel* msgFinish_;
  TOrnLabel* dlgOpen_;
  TOrnLabel* dlgDirectory_;
  TOrnLabel* msgReplace_;
  TOrnLabel* msgKeptExisting_;
  TOrnLabel* msgAutomatic_;
};

namespace orn {
// The main window's "Unzip": runs the unzip window once and releases it.
void UnzipFromWindow(QWidget* parent);
}  // namespace orn
