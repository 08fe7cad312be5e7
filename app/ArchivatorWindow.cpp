#include "ArchivatorWindow.h"

#ifdef ORN_ARCHIVER_WINDOWS

#include <QPointer>
#include <vector>

#include "ArchiverActions.h"
#include "DialogService.h"
#include "ZipEngine.h"
#include "frmSimpleZipper.h"

namespace {

// While a run or a restore works on the job, the progress window lets the
// main window's events run; its controls stay disabled until the action
// returns, so that nobody opens, clears or edits the job under the run.
class BusyWindow {
 public:
  explicit BusyWindow(QWidget* window) {
    for (QObject* child : window->children()) {
      auto* widget = qobject_cast<QWidget*>(child);
      if (widget && !widget->isWindow() && widget->isEnabled()) {
        widget->setEnabled(false);
        disabled_.emplace_back(widget);
      }
    }
  }
  ~BusyWindow() {
    for (const QPointer<QWidget>& widget : disabled_)
      if (widget) widget->setEnabled(true);
  }

 private:
  std::vector<QPointer<QWidget>> disabled_;
};

}  // namespace

TArchivatorWindow::TArchivatorWindow(const std::vector<std::string>& args, QWidget* parent)
    : TMainForm(args, parent), engine_(std::make_unique<TZipEngine>()) {
  // A missing library is reported by the engine; start-up goes on.
  engine_->LoadZipLib();
  engine_->LoadUnzLib();
}

TArchivatorWindow::~TArchivatorWindow() = default;

bool TArchivatorWindow::SpeedButton10Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::RunResult result;
  {
    BusyWindow busy(this);
    result = orn::RunArchiveFromWindow(this, job_, *engine_, ShowMessages());
  }
  if (!orn::Dialogs().Interactive()) orn::Diagnostic(result.Summary());
  SetCommandStatus(result.exitStatus);
  RefreshWindow();
  return result.exitStatus == orn::kRunComplete;
}

bool TArchivatorWindow::SpeedButton9Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome;
  {
    BusyWindow busy(this);
    outcome = orn::ExtractFromWindow(this, job_, *engine_, false, ShowMessages());
  }
  SetCommandStatus(outcome.ExitStatus());
  RefreshWindow();
  return outcome.ExitStatus() == 0;
}

bool TArchivatorWindow::SpeedButton8Action() {
  if (orn::ArchiverActionRunning()) return false;
  orn::ExtractOutcome outcome;
  {
    BusyWindow busy(this);
    outcome = orn::ExtractFromWindow(this, job_, *engine_, true, ShowMessages());
  }
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

void TArchivatorWindow::SpeedButton77Action() {
  if (orn::ArchiverActionRunning()) return;
  orn::UnzipFromWindow(this);
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
void TArchivatorWindow::SpeedButton77Action() { TMainForm::SpeedButton77Action(); }

#endif
