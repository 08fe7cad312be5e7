// The main window as the program runs it: its archive, extract, add-files
// and marking commands go to the archiver's windows over the real zip
// engine. The plain TMainForm keeps them as hooks, so that its own logic can
// be tested without archives.
#pragma once

#include <memory>

#include "MainUnit.h"

class TZipEngine;
namespace orn {
struct ExtractOutcome;
}

class TArchivatorWindow : public TMainForm {
  Q_OBJECT

 public:
  explicit TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent = nullptr);
  ~TArchivatorWindow() override;

 protected:
  bool RunArchive() override;
  bool ExtractChosen() override;
  bool ExtractWhole() override;
  void MarkRegister() override;
  void AddFiles() override;
  void SpeedButton77Action() override;

 private:
  void ReportRestore(const orn::ExtractOutcome& outcome);

  std::unique_ptr<TZipEngine> engine_;
};
