// Start-up, the command line, the timer that runs an unattended command, and
// closing the main window.
#include "MainUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "DialogService.h"
#include "FileSystem.h"
#include "GradCaption.h"
#include "JobEdits.h"
#include "JobFile.h"
#include "ProgramFolders.h"
#include "TextLookups.h"
#include "TextUtil.h"
#include "TopLevelHandler.h"

TMainForm::TMainForm(const std::vector<std::string>& args, QWidget* parent) : TOrnForm(parent), args_(args) {
  BuildWindow();
  ConnectSignals();
  FormCreate();
}

TMainForm::~TMainForm() = default;

// The language chooser offers the dictionary's language names, each in its
// own language, so that a person finds theirs whatever the window speaks now.
void TMainForm::FillLanguageChooser() {
  const QSignalBlocker quiet(cbLabelLang_);
  const int language = orn::Framework().values.language;
  cbLabelLang_->clear();
  for (int n = 1; n <= 100; ++n) {
    const std::string key = "LanguageName_" + std::to_string(n);
    std::string name = orn::Trim(orn::TextInLanguage(key, n));
    if (name.empty()) name = orn::Trim(orn::LabelText(key));
    if (!name.empty()) {
      cbLabelLang_->addItem(QString::fromStdString(name));
    } else if (language - 1 < cbLabelLang_->count()) {
      cbLabelLang_->setCurrentIndex(language - 1);
    }
  }
  if (cbLabelLang_->count() == 0) {
    cbLabelLang_->addItem(QString::fromUtf8("Latviešu"));
    cbLabelLang_->setCurrentIndex(language - 1 < cbLabelLang_->count() ? language - 1 : 0);
  }
}

void TMainForm::FormCreate() {
  TOrnForm::FormCreate();
  showMessages_ = false;
  QLocale::setDefault(QLocale::c());  // '.' as the decimal separator
  pendingRow_ = 0;
  registerList_.clear();
  GradientCaption()->ClearCaptions();
  GradientCaption()->AddCaption("Ombrelant ZIP archivator");
  if (orn::Trim(LanguageIni().toStdString()).empty())
    SetLanguageIni(QString::fromStdString(orn::ProgramDataDir() + "RadEzaZuvev.ini"));
  TOrnForm::FormCreate();

  FillLanguageChooser();
  FillRecentMenu();

  exitAfterCommand_ = false;
  TOrnForm::FormCreate();
  job_.saved = true;
  RefreshWindow();
  ReadCommandLine();
  // The job file's name shows from the start, not only after a change.
  if (!job_.IsOpen()) rx_->clear();
  TOrnForm::FormCreate();

  UpdateAccessibleNames();
  FitToTexts();
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());

  // A command line that cannot run ends at once.
  if (!startup_.error.empty()) QTimer::singleShot(0, this, [this] { TerminateApplication(exitStatus_); });
}

void TMainForm::ReadCommandLine() {
  startup_ = orn::ParseCommandLine(args_);
  if (!startup_.error.empty()) {
    // Nothing is created or run for a command line that cannot run.
    orn::Diagnostic(startup_.error);
    exitStatus_ = orn::kCommandNotRun;
    return;
  }
  if (startup_.readJobFile) {
    const bool read = orn::Guarded([this] {
      job_ = ReadJob(startup_.jobFile);
      RememberRecentJob(startup_.jobFile);
      RefreshWindow();
    });
    if (!read) exitStatus_ = orn::kCommandNotRun;
  }
  exitAfterCommand_ = startup_.exitAfterCommand;
  showMessages_ = startup_.showMessages;
  if (startup_.startTimer) timer1_->start();
}

void TMainForm::Timer1Timer() {
  timer1_->stop();
  RefreshWindow();
  commandStatus_ = -1;
  bool started = true;
  commandRunning_ = true;
  const bool ran = orn::Guarded([&] { started = RunPendingCommand(); });
  commandRunning_ = false;
  if (commandStatus_ >= 0) {
    exitStatus_ = std::max(exitStatus_, commandStatus_);
  } else if (!ran && startup_.pendingCommand == "ARHIV") {
    // The run stopped with an error (an unknown alias, say) before any
    // generation was made; the previous ones are untouched.
    exitStatus_ = std::max(exitStatus_, orn::kCommandNoGeneration);
  } else if (!ran || !started) {
    exitStatus_ = std::max(exitStatus_, orn::kCommandNotRun);
  }
  if (ExitsAfterCommand()) TerminateApplication(exitStatus_);
}

bool TMainForm::RunPendingCommand() {
  const std::string& command = startup_.pendingCommand;
  if (command == "NEW") {
    if (startup_.jobFile.empty()) {
      orn::Diagnostic("NEW: no job file given");
      return false;
    }
    job_.jobFilePath = startup_.jobFile;
    orn::ClearJobForNew(job_);
    registerList_.clear();
    WriteJob(job_.jobFilePath);
    job_.saved = false;
    RefreshWindow();
    return true;
  }
  // The same rule as the window's buttons, asked of the job itself.
  const orn::JobCommands allowed = AllowedCommands();
  auto run = [&](bool allowedNow, const char* why, bool (TMainForm::*action)()) {
    if (allowedNow) return (this->*action)();
    orn::Diagnostic(command + ": the job does not allow it (" + why + ")");
    return false;
  };
  if (command == "UNARHIV") return run(allowed.extract, "no archive of the job", &TMainForm::ExtractChosen);
  if (command == "ARHIV")
    return run(allowed.archive, "no register table and an empty job list", &TMainForm::RunArchive);
  if (command == "UNARHIVALL") return run(allowed.extract, "no archive of the job", &TMainForm::ExtractWhole);
  orn::Diagnostic("Unknown command \"" + command + "\"");
  return false;
}

void TMainForm::NobodyAtTheScreen() {
  // Nobody could close a window that nobody sees: the command ends the
  // program as with "AUTO", and with nothing to run there is nothing to wait
  // for.
  nobodyAtScreen_ = true;
  if (!startup_.startTimer) QTimer::singleShot(0, this, [this] { TerminateApplication(exitStatus_); });
}

void TMainForm::TerminateApplication(int status) {
  terminating_ = true;
  exitStatus_ = status;
  // Asking a loop that does not run to end would end the next one at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (terminating_) return event->accept();
  // Cancel keeps the window and the edits.
  if (!SaveChangesOrCancel()) return event->ignore();
  registerList_.clear();
  event->accept();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the main window as it would a dialog.
  if (event->key() == Qt::Key_Escape) return event->accept();
  TOrnForm::keyPressEvent(event);
}
