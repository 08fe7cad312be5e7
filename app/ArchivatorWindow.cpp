#include "ArchivatorWindow.h"

#include <QDir>

#include "ArchiverActions.h"
#include "DialogService.h"
#include "Floppy.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"
#include "frmSimpleZipper.h"

TArchivatorWindow::TArchivatorWindow(orn::JobSession& session, QWidget* parent) : TMainForm(session, parent) {}

TArchivatorWindow::TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent)
    : TMainForm(args, parent), engine_(std::make_unique<TZipEngine>()) {
  // A missing library is reported by the engine; start-up goes on.
  engine_->LoadZipLib();
  engine_->LoadUnzLib();
  backend_ = std::make_unique<orn::ZipEngineBackend>(*engine_);
  session_.SetBackend(backend_.get());
}

TArchivatorWindow::~TArchivatorWindow() {
  if (backend_) session_.SetBackend(nullptr);
}

orn::ArchiverWindowOptions TArchivatorWindow::FrontOptions() {
  orn::ArchiverWindowOptions options;
  options.showMessages = session_.ShowMessages();
  options.cancelEngine = [this] { session_.CancelJob(); };
  options.copyToFloppies = [this](const std::vector<std::string>& files) {
    TFormCopyToFlop form(files, job_.archiveName, this);
    form.exec();
  };
  return options;
}

int TArchivatorWindow::RunArchive() {
  if (orn::ArchiverActionRunning() || session_.JobRunning()) return orn::kCommandNotRun;
  orn::RunResult result;
  RunWhileBusy([&] {
    orn::WindowFront front(this, FrontOptions());
    result = session_.Archive(front);
    return true;
  });
  ReportOutcome(result.Summary(), result.Summary(orn::WindowLabelTexts(this)), result.exitStatus != orn::kRunComplete,
                result.exitStatus == orn::kRunNoGeneration, result.logFile, result.problemTexts);
  return result.exitStatus;
}

void TArchivatorWindow::ReportRestore(const orn::ExtractOutcome& outcome) {
  const int status = outcome.ExitStatus();
  // A chooser closed without a choice, or No to replacing files, is the
  // user's own answer, not a failure.
  const bool declined = !outcome.result.extracted && outcome.result.problems == 0;
  ReportOutcome(outcome.result.Summary(), outcome.result.Summary(orn::WindowLabelTexts(this)),
                status != orn::kCommandDone && !declined, status == orn::kRestoreNothing, outcome.result.logFile,
                outcome.result.problemTexts);
}

int TArchivatorWindow::Extract(bool whole) {
  if (orn::ArchiverActionRunning() || session_.JobRunning()) return orn::kCommandNotRun;
  orn::ExtractOutcome outcome;
  RunWhileBusy([&] {
    orn::WindowFront front(this, FrontOptions());
    outcome = session_.Restore(front, whole);
    return true;
  });
  ReportRestore(outcome);
  return outcome.ExitStatus();
}

int TArchivatorWindow::ExtractChosen() { return Extract(false); }

int TArchivatorWindow::ExtractWhole() { return Extract(true); }

void TArchivatorWindow::MarkRegister() {
  if (orn::ArchiverActionRunning() || session_.JobRunning()) return;
  orn::MarkRegisterFromWindow(this, job_);
  RefreshWindow();
}

void TArchivatorWindow::AddFiles() {
  if (orn::ArchiverActionRunning() || session_.JobRunning()) return;
  // The window opens where the job's files are, not at the root.
  const std::string start = orn::AddFilesStartFolder(job_, QDir::homePath().toStdString());
  orn::AddFilesOutcome outcome = orn::AddFilesFromWindow(this, job_, nullptr, start);
  if (outcome.changed) job_.saved = false;
  RefreshWindow();
}

void TArchivatorWindow::SpeedButton77Action() {
  if (orn::ArchiverActionRunning() || session_.JobRunning()) return;
  orn::UnzipFromWindow(this);
}
