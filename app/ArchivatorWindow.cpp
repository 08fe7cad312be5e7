#include "ArchivatorWindow.h"

#include <QDir>

#include "ArchiverActions.h"
#include "DialogService.h"
#include "ZipEngine.h"
#include "frmSimpleZipper.h"

TArchivatorWindow::TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent)
    : TMainForm(args, parent), engine_(std::make_unique<TZipEngine>()) {
  // A missing library is reported by the engine; start-up goes on.
  engine_->LoadZipLib();
  engine_->LoadUnzLib();
}

TArchivatorWindow::~TArchivatorWindow() = default;

bool TArchivatorWindow::RunArchive() {
  if (orn::ArchiverActionRunning()) return false;
  orn::RunResult result;
  RunWhileBusy([&] {
    result = orn::RunArchiveFromWindow(this, job_, *engine_, ShowMessages());
    return true;
  });
  SetCommandStatus(result.exitStatus);
  ReportOutcome(result.Summary(), result.Summary(orn::WindowLabelTexts(this)), result.exitStatus != orn::kRunComplete,
                result.exitStatus == orn::kRunNoGeneration, result.logFile, result.problemTexts);
  return result.exitStatus == orn::kRunComplete;
}

void TArchivatorWindow::ReportRestore(const orn::ExtractOutcome& outcome) {
  const int status = outcome.ExitStatus();
  SetCommandStatus(status);
  // A chooser closed without a choice, or No to replacing files, is the
  // user's own answer, not a failure.
  const bool declined = !outcome.result.extracted && outcome.result.problems == 0;
  ReportOutcome(outcome.result.Summary(), outcome.result.Summary(orn::WindowLabelTexts(this)),
                status != orn::kCommandDone && !declined, status == orn::kRestoreNothing, outcome.result.logFile,
                outcome.result.problemTexts);
}

bool TArchivatorWindow::ExtractChosen() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome;
  RunWhileBusy([&] {
    outcome = orn::ExtractFromWindow(this, job_, *engine_, false, ShowMessages());
    return true;
  });
  ReportRestore(outcome);
  return outcome.ExitStatus() == 0;
}

bool TArchivatorWindow::ExtractWhole() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome;
  RunWhileBusy([&] {
    outcome = orn::ExtractFromWindow(this, job_, *engine_, true, ShowMessages());
    return true;
  });
  ReportRestore(outcome);
  return outcome.ExitStatus() == 0;
}

void TArchivatorWindow::MarkRegister() {
  if (orn::ArchiverActionRunning()) return;
  orn::MarkRegisterFromWindow(this, job_);
  RefreshWindow();
}

void TArchivatorWindow::AddFiles() {
  if (orn::ArchiverActionRunning()) return;
  // The window opens where the job's files are, not at the root.
  const std::string start = orn::AddFilesStartFolder(job_, QDir::homePath().toStdString());
  orn::AddFilesOutcome outcome = orn::AddFilesFromWindow(this, job_, nullptr, start);
  if (outcome.changed) job_.saved = false;
  RefreshWindow();
}

void TArchivatorWindow::SpeedButton77Action() {
  if (orn::ArchiverActionRunning()) return;
  orn::UnzipFromWindow(this);
}
