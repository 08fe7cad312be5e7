// Start-up, the command line's job and command (read and decided by the
// session), the timer that gives the command its start delay, and closing
// the main window.
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

TMainForm::TMainForm(orn::JobSession* session, std::unique_ptr<orn::JobSession> own, QWidget* parent)
    : TOrnForm(parent),
      ownSession_(std::move(own)),
      session_(session ? *session : *ownSession_),
      job_(session_.CurrentJob()) {
  BuildWindow();
  ConnectSignals();
  FormCreate();
}

TMainForm::TMainForm(orn::JobSession& session, QWidget* parent) : TMainForm(&session, nullptr, parent) {}

TMainForm::TMainForm(const std::vector<std::string>& args, QWidget* parent)
    : TMainForm(nullptr, std::make_unique<orn::JobSession>(orn::ParseCommandLine(args)), parent) {}

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
  QLocale::setDefault(QLocale::c());  // '.' as the decimal separator
  pendingRow_ = 0;
  GradientCaption()->ClearCaptions();
  GradientCaption()->AddCaption("Ombrelant ZIP archivator");
  if (orn::Trim(LanguageIni().toStdString()).empty())
    SetLanguageIni(QString::fromStdString(orn::ProgramDataDir() + "RadEzaZuvev.ini"));
  TOrnForm::FormCreate();

  FillLanguageChooser();
  FillRecentMenu();

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
  if (!session_.Startup().error.empty())
    QTimer::singleShot(0, this, [this] { TerminateApplication(session_.ExitStatus()); });
}

void TMainForm::ReadCommandLine() {
  const orn::StartupCommand& startup = session_.Startup();
  if (!startup.error.empty()) {
    // Nothing is created or run for a command line that cannot run.
    orn::Diagnostic(startup.error);
    return;
  }
  if (startup.readJobFile) {
    orn::Guarded([this, &startup] {
      try {
        session_.ReadStartupJob();
      } catch (const std::exception& e) {
        throw std::runtime_error(WindowText("msg_JobNotRead", "The job file was not opened.").toStdString() + "\n" +
                                 e.what());
      }
      RememberRecentJob(startup.jobFile);
      RefreshWindow();
    });
  }
  if (session_.CommandPending()) timer1_->start();
}

void TMainForm::Timer1Timer() {
  timer1_->stop();
  RefreshWindow();
  // The session decides whether the command may run and which status it ends
  // with; the window runs it with its progress window and choosers.
  orn::CommandActions actions;
  actions.archive = [this] { return RunArchive(); };
  actions.restore = [this](bool whole) { return whole ? ExtractWhole() : ExtractChosen(); };
  orn::Guarded([&] { session_.RunPendingCommand(actions); });
  RefreshWindow();
  if (session_.EndsAfterCommand()) TerminateApplication(session_.ExitStatus());
}

void TMainForm::TerminateApplication(int status) {
  session_.RequestEnd();
  // Asking a loop that does not run to end would end the next one at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (session_.EndRequested()) return event->accept();
  // Cancel keeps the window and the edits.
  if (!SaveChangesOrCancel()) return event->ignore();
  event->accept();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the main window as it would a dialog.
  if (event->key() == Qt::Key_Escape) return event->accept();
  TOrnForm::keyPressEvent(event);
}
