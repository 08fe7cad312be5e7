// The main window as the program runs it: its archive and extract commands
// go to the session (whose back-end is the zip engine) with the archiver's
// windows in front, its add-files and marking commands to their windows. The
// plain TMainForm keeps them as hooks, so that its own logic can be tested
// without archives.
#pragma once

#include <memory>

#include "MainUnit.h"

class TZipEngine;
namespace orn {
struct ExtractOutcome;
class ZipEngineBackend;
struct ArchiverWindowOptions;
}  // namespace orn

class TArchivatorWindow : public TMainForm {
  Q_OBJECT

 public:
  // The program's window over its session, which has its back-end.
  explicit TArchivatorWindow(orn::JobSession& session, QWidget* parent = nullptr);
  // A window over a session of its own with a zip engine of its own.
  explicit TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent = nullptr);
  ~TArchivatorWindow() override;

 protected:
  int RunArchive() override;
  int ExtractChosen() override;
  int ExtractWhole() override;
  void MarkRegister() override;
  void AddFiles() override;
  void SpeedButton77Action() override;

 private:
  orn::ArchiverWindowOptions FrontOptions();
  int Extract(bool whole);
  void ReportRestore(const orn::ExtractOutcome& outcome);

  std::unique_ptr<TZipEngine> engine_;
  std::unique_ptr<orn::ZipEngineBackend> backend_;
};
