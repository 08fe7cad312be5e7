// The job commands (New, Open, Save, Save as) and the field rules of the main
// window: every user action changes the job and ends with the window refresh.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <stdexcept>

#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "JobEdits.h"
#include "JobFile.h"
#include "LangSettings.h"
#include "MainUnit.h"
#include "MessageDialog.h"
#include "MessageLog.h"
#include "ProgramFolders.h"
#include "Rclone.h"
#include "TopLevelHandler.h"
#include "UnitAbout.h"

namespace {

const char* const kJobFilter = "Ombrelant Archive file|*.arh";

orn::FileDialogRequest JobFileDialog(const std::string& caption) {
  orn::FileDialogRequest r;
  r.caption = caption;
  r.filter = kJobFilter;
  r.defaultExt = "arh";
  return r;
}

}  // namespace

void TMainForm::ConnectSignals() {
  auto guarded = [](auto f) { return [f] { orn::Guarded(f); }; };
  connect(sbNew_, &QToolButton::clicked, this, guarded([this] { SBNewClick(); }));
  connect(sbOpen_, &QToolButton::clicked, this, guarded([this] { SBOpenClick(); }));
  connect(sbSave_, &QToolButton::clicked, this, guarded([this] { SBSaveClick(); }));
  connect(speedButton_[4], &QToolButton::clicked, this, guarded([this] { SpeedButton4Click(); }));
  connect(new1_, &QAction::triggered, this, guarded([this] { SBNewClick(); }));
  connect(open1_, &QAction::triggered, this, guarded([this] { SBOpenClick(); }));
  connect(save1_, &QAction::triggered, this, guarded([this] { SBSaveClick(); }));
  connect(saveAs1_, &QAction::triggered, this, guarded([this] { SpeedButton4Click(); }));
  connect(exit1_, &QAction::triggered, this, &QWidget::close);

  connect(speedButton_[10], &QToolButton::clicked, this, guarded([this] { RunArchive(); }));
  connect(speedButton_[9], &QToolButton::clicked, this, guarded([this] { ExtractChosen(); }));
  connect(speedButton_[8], &QToolButton::clicked, this, guarded([this] { ExtractWhole(); }));
  connect(add1_, &QAction::triggered, this, guarded([this] { RunArchive(); }));
  connect(extract1_, &QAction::triggered, this, guarded([this] { ExtractChosen(); }));
  connect(extractAll1_, &QAction::triggered, this, guarded([this] { ExtractWhole(); }));
  connect(speedButton_[5], &QToolButton::clicked, this, guarded([this] { MarkRegister(); }));
  connect(refreshDB1_, &QAction::triggered, this, guarded([this] { MarkRegister(); }));
  connect(speedButton_[3], &QToolButton::clicked, this, guarded([this] { AddFiles(); }));
  connect(addToFileList1_, &QAction::triggered, this, guarded([this] { AddFiles(); }));
  connect(speedButton77_, &QToolButton::clicked, this, guarded([this] { SpeedButton77Action(); }));
  connect(unzip1_, &QAction::triggered, this, guarded([this] { SpeedButton77Action(); }));
  connect(speedButton732_, &QToolButton::clicked, this, guarded([this] { OpenUserGuide(); }));
  connect(help2_, &QAction::triggered, this, guarded([this] { OpenUserGuide(); }));
  connect(about2_, &QAction::triggered, this, guarded([this] { AboutAction(); }));

  connect(speedButton_[1], &QToolButton::clicked, this, guarded([this] { ChooseDirectory(false); }));
  connect(speedButton_[6], &QToolButton::clicked, this, guarded([this] { ChoosePlusPath(); }));
  connect(speedButton_[2], &QToolButton::clicked, this, guarded([this] { ChooseRegister(); }));

  connect(edit1_, &QLineEdit::textChanged, this, [this](const QString& t) { Edit1Changed(t); });
  // Whatever the user types is a change of the job: closing must ask.
  connect(edit2_, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (refreshing_) return;
    job_.archiveDirectory = orn::DirectoryField(t.toStdString());
    MarkEdited();
  });
  connect(edit4_, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (refreshing_) return;
    job_.uniqueFolder = t.toStdString();
    MarkEdited();
    RefreshWindow();
  });
  connect(edit5_, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (refreshing_) return;
    job_.plusPath = orn::DirectoryField(t.toStdString());
    MarkEdited();
  });
  connect(edit3_, &QLineEdit::returnPressed, this, [this] { Edit3Apply(); });
  connect(edit3_, &QLineEdit::customContextMenuRequested, this,
          [this](const QPoint& pos) { flopMenu_->popup(edit3_->mapToGlobal(pos)); });
  connect(checkBox1_, &QCheckBox::clicked, this, [this](bool on) {
    job_.volumesOn = on;
    MarkEdited();
    RefreshWindow();
  });
  connect(checkBox2_, &QCheckBox::clicked, this, [this](bool on) {
    job_.copyToFloppies = on;
    MarkEdited();
    RefreshWindow();
  });
  for (QRadioButton* radio : rotation_)
    connect(radio, &QRadioButton::clicked, this, [this, radio] { SchemeClicked(radio); });
  for (QRadioButton* radio : unique_)
    connect(radio, &QRadioButton::clicked, this, [this, radio] { SchemeClicked(radio); });
  connect(panel9_, &QToolButton::clicked, this, [this] { pageControl1_->setCurrentIndex(0); });
  connect(panel8_, &QToolButton::clicked, this, [this] { pageControl1_->setCurrentIndex(1); });
  connect(cbLabelLang_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { orn::Guarded([&] { LanguageChosen(index); }); });
  connect(timer1_, &QTimer::timeout, this, [this] { orn::Guarded([this] { Timer1Timer(); }); });
  connect(removeRows_, &QAction::triggered, this, guarded([this] { RemoveChosenRows(); }));
}

bool TMainForm::SaveChangesOrCancel(bool chooseFile) {
  if (!job_.IsOpen() || job_.saved) return true;
  const int answer =
      orn::Dialogs().MessageDialog(labSav_->text().toStdString(), windowTitle().toStdString(),
                                   orn::DialogType::Confirmation, orn::kBtnYes | orn::kBtnNo | orn::kBtnCancel);
  if (answer == orn::kMrNo) return true;
  if (answer != orn::kMrYes) return false;  // Cancel, Escape, the close box
  std::string target = job_.jobFilePath;
  if (chooseFile) {
    // Open saves where the user says; no name chosen is no save, and the
    // changes are kept rather than lost.
    orn::FileDialogRequest request = JobFileDialog(WindowText("dlg_Save", "Save").toStdString());
    request.fileName = job_.jobFilePath;
    std::optional<std::string> chosen = orn::Dialogs().SaveFile(request);
    if (!chosen) return false;
    target = orn::WithArhExtension(*chosen);
  }
  // A job that cannot be written keeps the window and its changes.
  return orn::Guarded([&] { WriteJob(target); });
}

void TMainForm::MarkEdited() {
  if (job_.IsOpen()) job_.saved = false;
}

void TMainForm::WriteJob(const std::string& path) {
  try {
    orn::WriteJobFile(job_, path);
  } catch (const std::exception& e) {
    // The user reads what happened in the chosen language; the reason from
    // the file system follows as it is.
    throw std::runtime_error(WindowText("msg_JobNotWritten", "The job file was not saved.").toStdString() + "\n" +
                             e.what());
  }
}

orn::Job TMainForm::ReadJob(const std::string& path) const {
  try {
    orn::Job job = orn::ReadJobFile(path, job_);
    orn::TidyJobFields(job);
    return job;
  } catch (const std::exception& e) {
    throw std::runtime_error(WindowText("msg_JobNotRead", "The job file was not opened.").toStdString() + "\n" +
                             e.what());
  }
}

void TMainForm::SBNewClick() {
  if (!SaveChangesOrCancel()) return;
  job_.jobFilePath.clear();
  std::optional<std::string> chosen =
      orn::Dialogs().SaveFile(JobFileDialog(WindowText("dlg_New", "New").toStdString()));
  if (chosen) {
    orn::ClearJobForNew(job_);
    job_.jobFilePath = orn::WithArhExtension(*chosen);
    try {
      WriteJob(job_.jobFilePath);
      RememberRecentJob(job_.jobFilePath);
    } catch (...) {
      // A job whose file could not be made is no open job.
      job_ = orn::Job();
      RefreshWindow();
      throw;
    }
  } else {
    // Nothing of the closed job stays behind to be archived or saved.
    job_ = orn::Job();
  }
  RefreshWindow();
}

void TMainForm::SBOpenClick() {
  orn::FileDialogRequest request = JobFileDialog(WindowText("dlg_Open", "Open").toStdString());
  std::optional<std::string> chosen = orn::Dialogs().OpenFile(request);
  if (!chosen) return;
  OpenRecentJob(*chosen);
}

void TMainForm::OpenRecentJob(const std::string& path) {
  if (!SaveChangesOrCancel(/*chooseFile=*/true)) return;
  // A file that cannot be read leaves the current job as it was.
  job_ = ReadJob(path);
  RememberRecentJob(path);
  RefreshWindow();
}

void TMainForm::SBSaveClick() {
  if (job_.jobFilePath.empty()) {
    std::optional<std::string> chosen =
        orn::Dialogs().SaveFile(JobFileDialog(WindowText("dlg_Save", "Save").toStdString()));
    if (!chosen) return;
    job_.jobFilePath = *chosen;
  }
  WriteJob(job_.jobFilePath);
  RefreshWindow();
}

void TMainForm::SpeedButton4Click() {
  std::optional<std::string> chosen =
      orn::Dialogs().SaveFile(JobFileDialog(WindowText("dlg_SaveAs", "Save as").toStdString()));
  if (!chosen) return;
  // The copy is written; the window goes on with the job file it had.
  WriteJob(orn::WithArhExtension(*chosen));
  RefreshWindow();
}

void TMainForm::Edit1Changed(const QString& text) {
  if (refreshing_) return;
  const std::string name = orn::ArchiveNameWhileTyping(text.toStdString());
  if (name != text.toStdString()) {
    const QSignalBlocker block(edit1_);
    edit1_->setText(QString::fromStdString(name));
  }
  if (name != job_.archiveName) MarkEdited();
  job_.archiveName = name;
}

void TMainForm::Edit1Exit() {
  const std::string name = orn::ArchiveNameOnExit(edit1_->text().toStdString());
  if (name != edit1_->text().toStdString()) {
    const QSignalBlocker block(edit1_);
    edit1_->setText(QString::fromStdString(name));
  }
  if (job_.IsOpen() && job_.archiveName != name) {
    job_.archiveName = name;
    MarkEdited();
  }
}

void TMainForm::Edit3Apply() {
  if (!job_.IsOpen()) return;
  const int before = job_.volumeSize;
  orn::ApplyVolumeSizeField(job_, edit3_->text().toStdString());
  if (job_.volumeSize != before) MarkEdited();
  RefreshWindow();
}

void TMainForm::FlopMenuChoice(int index) {
  int count = 0;
  const orn::VolumeChoice* choices = orn::VolumeChoices(&count);
  if (index < 0 || index >= count) return;
  edit3_->setText(choices[index].fieldText);
  if (job_.volumeSize != choices[index].volumeSize) MarkEdited();
  job_.volumeSize = choices[index].volumeSize;
}

void TMainForm::ChooseDirectory(bool plusPath) {
  std::optional<std::string> dir = orn::Dialogs().ChooseDirectory(ornLabel8_->text().toStdString(),
                                                                  plusPath ? job_.plusPath : job_.archiveDirectory);
  // Cancelling the chooser leaves the directory empty.
  (plusPath ? job_.plusPath : job_.archiveDirectory) = dir ? orn::DirectoryField(*dir) : std::string();
  job_.saved = false;
  RefreshWindow();
}

void TMainForm::ChoosePlusPath() {
  // The remotes of the user's rclone configuration are offered beside the
  // folder chooser; without rclone, or with none configured, the chooser
  // opens as it always did.
  std::vector<std::string> remotes;
  try {
    orn::Rclone rclone;
    if (rclone.Missing().empty()) remotes = rclone.Remotes();
  } catch (const orn::RcloneError& e) {
    orn::Diagnostic(std::string("rclone listremotes: ") + e.what());
  }
  if (remotes.empty()) {
    ChooseDirectory(true);
    return;
  }
  auto* menu = new QMenu(this);
  menu->setObjectName("PlusPathMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setAccessibleName(WindowText("mnu_PlusPlace", "Place of the second copy"));
  menu->addAction(WindowText("mnu_PlusFolder", "Folder..."), this, [this] { ChooseDirectory(true); });
  // A disabled item, not a section: a section's title does not widen the menu.
  menu->addSeparator();
  menu->addAction(WindowText("mnu_PlusRemotes", "rclone remotes"))->setEnabled(false);
  for (const std::string& remote : remotes) {
    QAction* action = menu->addAction(QString::fromStdString(remote + ":"));
    connect(action, &QAction::triggered, this, [this, remote] {
      // A path on the same remote is kept; the user types the folder on it.
      if (orn::RemoteNameOf(job_.plusPath) != remote) job_.plusPath = remote + ":";
      job_.saved = false;
      RefreshWindow();
      edit5_->setFocus();
      edit5_->end(false);
    });
  }
  menu->popup(speedButton_[6]->mapToGlobal(QPoint(0, speedButton_[6]->height())));
}

void TMainForm::ChooseRegister() {
  orn::FileDialogRequest request;
  request.caption = WindowText("dlg_DBfile", "DB file").toStdString();
  request.filter = "SPR files|SprFiles.db";
  request.fileName = "SprFiles.db";
  std::optional<std::string> chosen = orn::Dialogs().OpenFile(request);
  if (!chosen) return;
  job_.registerFile = *chosen;
  job_.saved = false;
  RefreshWindow();
}

void TMainForm::SchemeClicked(QRadioButton* button) {
  static const char kLetters[] = {'N', 'W', 'M', 'Y'};
  for (int i = 0; i < 4; ++i) {
    if (button == rotation_[i]) job_.rotationScheme = kLetters[i];
    if (button == unique_[i]) job_.uniqueScheme = kLetters[i];
  }
  job_.saved = false;
  RefreshWindow();
}

void TMainForm::LanguageChosen(int index) {
  // Every open window follows the switch; the settings are written at once.
  std::string error;
  if (!orn::SwitchLanguage(index, ParamsFile(), &error)) orn::Dialogs().ShowError(error);
  FillLanguageChooser();
  FitToTexts();
}

void TMainForm::ReportOutcome(const std::string& summary, const std::string& shown, bool failed, bool nothingMade,
                              const std::string& logFile, const std::vector<std::string>& problems) {
  lblSummary_->setText(QString::fromStdString(shown));
  lblSummary_->setToolTip(lblSummary_->text());
  if (session_.CommandRunning()) orn::Diagnostic(summary);
  // A command the program ends after (AUTO) must not wait for a click.
  if (!failed || session_.ShowMessages() || (session_.CommandRunning() && session_.EndsAfterCommand())) return;
  auto label = [this](const char* name) {
    auto* l = findChild<QLabel*>(name);
    return l && !l->text().isEmpty() ? l->text().toStdString() : orn::MessageTexts::DefaultText(name);
  };
  orn::MessageBoxRequest request;
  request.caption = label(nothingMade ? "msg_Error" : "msg_Warning");
  // What failed, on which file and why, as the log has it; the rest is in
  // the log.
  request.message = shown;
  constexpr size_t kShown = 3;
  for (size_t i = 0; i < problems.size() && i < kShown; ++i) request.message += "\n\n" + problems[i];
  if (problems.size() > kShown) request.message += "\n\n(+" + std::to_string(problems.size() - kShown) + ")";
  request.iconIndex = nothingMade ? 0 : 1;
  request.buttons = 0;
  if (!logFile.empty()) {
    request.extra = label("msg_LogIs") + ": " + logFile;
    request.buttons = 1;
    request.okCaption = label("btn_OpenLog");
    request.cancelCaption = orn::ButtonCaption("Close").toStdString();
    request.defaultButton = 256;  // reading the message is enough to go on
  }
  if (orn::Dialogs().MessageBox(request) == orn::kMsgOk && !logFile.empty()) OpenLogFile(logFile);
}

void TMainForm::OpenLogFile(const std::string& logFile) {
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(logFile))))
    orn::Dialogs().ShowError(WindowText("msg_LogNotOpened", "The log could not be opened:").toStdString() + " \"" +
                             logFile + "\"");
}

void TMainForm::OpenListMenu() {
  // Beside the current row, where the mouse would have been.
  const QModelIndex current = list_->currentIndex();
  const QRect cell = current.isValid() ? list_->visualRect(current) : QRect();
  const QPoint at = list_->viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(4, 4));
  auto* menu = new QMenu(list_);
  menu->setObjectName("ListMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addActions(list_->actions());
  menu->popup(at);
}

void TMainForm::NotAvailableYet(const char* what) { orn::Diagnostic(std::string(what) + ": not available yet"); }

int TMainForm::RunArchive() {
  NotAvailableYet("Archive");
  return orn::kCommandNotRun;
}

int TMainForm::ExtractChosen() {
  NotAvailableYet("Extract");
  return orn::kCommandNotRun;
}

int TMainForm::ExtractWhole() {
  NotAvailableYet("Extract all");
  return orn::kCommandNotRun;
}

void TMainForm::MarkRegister() { NotAvailableYet("Mark DB files"); }
void TMainForm::AddFiles() { NotAvailableYet("Add to file list"); }
void TMainForm::SpeedButton77Action() { NotAvailableYet("Unzip"); }
void TMainForm::OpenUserGuide() {
  const std::string guide = UserGuidePath();
  if (guide.empty()) {
    orn::Dialogs().ShowError(
        WindowText("msg_NoGuide", "The user guide is not installed beside the program:").toStdString() + " \"" +
        orn::ExecutableDir() + "help\"");
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(guide))))
    orn::Dialogs().ShowError(WindowText("msg_GuideNotOpened", "The user guide could not be opened:").toStdString() +
                             " \"" + guide + "\"");
}
void TMainForm::AboutAction() {
  TFormA about(this);
  about.exec();
}

// The form base sees every event of the application first (key preview);
// only this window's own widgets matter here.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
    return TOrnForm::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
      // Speed buttons show their hint in the status bar; the window, its
      // panels, the grid and the volume group clear it.
      // The last run's summary has a panel of its own and stays.
      box_->setText(watched->property("hint").isValid() ? watched->property("hint").toString() : QString());
      break;
    case QEvent::MouseMove:
      // Ctrl+Shift over the status bar's corner collects the window's
      // untranslated texts into the language file.
      if (watched->objectName() == "Panel12" &&
          (static_cast<QMouseEvent*>(event)->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) ==
              (Qt::ControlModifier | Qt::ShiftModifier))
        orn::Guarded([this] { SaveCompToINI(); });
      break;
    case QEvent::FocusOut:
      if (watched == edit1_) Edit1Exit();
      if (watched == edit3_) orn::Guarded([this] { Edit3Apply(); });
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
      if (watched == list_->viewport()) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (job_.IsOpen() && drag->mimeData()->hasUrls()) {
          drag->acceptProposedAction();
          return true;
        }
      }
      break;
    case QEvent::Drop:
      if (watched == list_->viewport()) {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths;
        for (const QUrl& url : drop->mimeData()->urls())
          if (url.isLocalFile()) paths.push_back(QDir::cleanPath(url.toLocalFile()).toStdString());
        drop->acceptProposedAction();
        orn::Guarded([&] { AddDroppedFiles(paths); });
        return true;
      }
      break;
    case QEvent::KeyPress:
      // The keyboard's ways to the file list's context menu.
      if (watched == list_) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
        if (key->key() == Qt::Key_Menu || shiftF10) {
          OpenListMenu();
          return true;
        }
      }
      break;
    case QEvent::KeyRelease:
      if (watched == edit6_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && job_.IsOpen()) {
        if (!job_.registerFile.empty()) MarkEdited();
        job_.registerFile.clear();
        RefreshWindow();
      }
      break;
    default:
      break;
  }
  return TOrnForm::eventFilter(watched, event);
}
