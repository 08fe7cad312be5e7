#include "ArchivatorWindow.h"

#ifdef ORN_ARCHIVER_WINDOWS

#include "ArchiverActions.h"
#include "DialogService.h"
#include "ZipEngine.h"

TArchivatorWindow::TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent)
    : TMainForm(args, parent), engine_(std::make_unique<TZipEngine>()) {
  // A missing library is reported by the engine; start-up goes on.
  engine_->LoadZipLib();
  engine_->LoadUnzLib();
}

TArchivatorWindow::~TArchivatorWindow() = default;

bool TArchivatorWindow::SpeedButton10Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::RunResult result = orn::RunArchiveFromWindow(this, job_, *engine_, ShowMessages());
  if (!orn::Dialogs().Interactive()) orn::Diagnostic(result.Summary());
  SetCommandStatus(result.exitStatus);
  RefreshWindow();
  return result.exitStatus == orn::kRunComplete;
}

bool TArchivatorWindow::SpeedButton9Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome = orn::ExtractFromWindow(this, job_, *engine_, false, ShowMessages());
  SetCommandStatus(outcome.ExitStatus());
  RefreshWindow();
  return outcome.ExitStatus() == 0;
}

bool TArchivatorWindow::SpeedButton8Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome = orn::ExtractFromWindow(this, job_, *engine_, true, ShowMessages());
  SetCommandStatus(outcome.ExitStatus());
  RefreshWindow();
  return outcome.ExitStatus() == 0;
}

void TArchivatorWindow::SpeedButton5Action() {
  if (orn::ArchiverActionRunning()) return;
  orn::MarkRegisterFromWindow(this, job_);
  RefreshWindow();
}

void TArchivatorWindow::SpeedButton3Action() {
  if (orn::ArchiverActionRunning()) return;
  orn::AddFilesOutcome outcome = orn::AddFilesFromWindow(this, job_);
  if (outcome.changed) job_.saved = false;
  RefreshWindow();
}

#else  // a build without the archiver's windows keeps the hooks

class TZipEngine {};

TArchivatorWindow::TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent) : TMainForm(args, parent) {}
TArchivatorWindow::~TArchivatorWindow() = default;
bool TArchivatorWindow::SpeedButton10Action() { return TMainForm::SpeedButton10Action(); }
bool TArchivatorWindow::SpeedButton9Action() { return TMainForm::SpeedButton9Action(); }
bool TArchivatorWindow::SpeedButton8Action() { return TMainForm::SpeedButton8Action(); }
void TArchivatorWindow::SpeedButton5Action() { TMainForm::SpeedButton5Action(); }
void TArchivatorWindow::SpeedButton3Action() { TMainForm::SpeedButton3Action(); }

#endif
