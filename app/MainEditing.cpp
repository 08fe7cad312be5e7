// Editing the file list (Delete, its context menu, files dropped from a file
// manager), the recent jobs of the File menu, the user guide, and the texts
// and names that live outside the window's components.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "JobListEdits.h"
#include "MainUnit.h"
#include "ProgramFolders.h"
#include "RecentJobs.h"
#include "TextLookups.h"
#include "TopLevelHandler.h"

namespace {

std::string RecentJobsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString() + "/recent-jobs.txt";
}

// While a command works on the job, the progress window lets the main
// window's events run; its controls stay disabled until the command returns,
// so that nobody opens, clears or edits the job under it.
class BusyWindow {
 public:
  explicit BusyWindow(QWidget* window) : focus_(QApplication::focusWidget()) {
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
  QWidget* Focus() const { return focus_; }

 private:
  std::vector<QPointer<QWidget>> disabled_;
  QPointer<QWidget> focus_;
};

}  // namespace

QString TMainForm::WindowText(const char* key, const char* fallback) const {
  const std::string text = orn::LabelText(key);
  return text.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(text);
}

bool TMainForm::RunWhileBusy(const std::function<bool()>& action) {
  QPointer<QWidget> focus;
  bool done = false;
  {
    BusyWindow busy(this);
    focus = busy.Focus();
    const orn::JobSession::Busy sessionBusy(session_);
    done = action();
  }
  RefreshWindow();
  // Disabling moved the focus to whatever came first ("New"); it goes back
  // to the control the user left, or to the file list.
  if (focus && focus->window() == this && focus->isEnabled() && focus->isVisible())
    focus->setFocus(Qt::OtherFocusReason);
  else if (list_->isEnabled())
    list_->setFocus(Qt::OtherFocusReason);
  return done;
}

void TMainForm::RemoveChosenRows() {
  if (!job_.IsOpen() || job_.jobList.empty()) return;
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  if (rows.empty() && list_->currentRow() >= 0) rows.push_back(list_->currentRow());
  if (rows.empty()) return;
  std::sort(rows.begin(), rows.end());
  // Each run of adjacent rows at once, the lowest first, so that the row
  // numbers above it still hold.
  int reselect = 0;
  for (size_t end = rows.size(); end > 0;) {
    size_t begin = end - 1;
    while (begin > 0 && rows[begin - 1] == rows[begin] - 1) --begin;
    reselect = orn::RemoveJobGridRows(job_.jobList, rows[begin], rows[end - 1]);
    end = begin;
  }
  pendingRow_ = reselect;
  MarkEdited();
  RefreshWindow();
  list_->setFocus(Qt::OtherFocusReason);
}

void TMainForm::AddDroppedFiles(const std::vector<std::string>& paths) {
  if (!job_.IsOpen() || paths.empty()) return;
  if (orn::AddToJobList(job_.jobList, orn::ExpandAddedEntries(paths)) > 0) MarkEdited();
  RefreshWindow();
}

void TMainForm::RememberRecentJob(const std::string& path) {
  if (path.empty()) return;
  // A job named on the command line relative to where it was started must
  // still be found from the menu later.
  const std::string absolute = orn::IsAbsolutePath(path) ? path : orn::JoinPath(orn::CurrentDir(), path);
  const std::string file = RecentJobsFile();
  std::string error;
  if (!orn::WriteRecentJobs(file, orn::WithRecentJob(orn::ReadRecentJobs(file), absolute), &error))
    orn::Diagnostic("Recent jobs not kept: " + (error.empty() ? file : error));
  FillRecentMenu();
}

void TMainForm::FillRecentMenu() {
  // The menu may be refilled from one of its own items' signals.
  for (QAction* old : recentMenu_->actions()) {
    recentMenu_->removeAction(old);
    old->deleteLater();
  }
  const std::vector<std::string> recent = orn::ReadRecentJobs(RecentJobsFile());
  for (size_t i = 0; i < recent.size(); ++i) {
    const std::string path = recent[i];
    // Jobs of the same name in different folders are told apart.
    const QString name = QString::fromStdString(orn::ExtractFileName(path));
    const QString folder = QString::fromStdString(orn::ExcludeTrailingDelimiter(orn::ExtractFilePath(path)));
    QAction* action = recentMenu_->addAction(QString("&%1 %2  (%3)").arg(i + 1).arg(name, folder));
    action->setToolTip(QString::fromStdString(path));
    action->setStatusTip(QString::fromStdString(path));
    connect(action, &QAction::triggered, this, [this, path] {
      orn::Guarded([&] {
        if (!orn::FileExists(path)) {
          const std::string file = RecentJobsFile();
          orn::WriteRecentJobs(file, orn::WithoutRecentJob(orn::ReadRecentJobs(file), path));
          FillRecentMenu();
          orn::Dialogs().ShowError(WindowText("msg_NoJobFile", "The job file does not exist:").toStdString() + " \"" +
                                   path + "\"");
          return;
        }
        OpenRecentJob(path);
      });
    });
  }
  recentMenu_->menuAction()->setEnabled(!recent.empty());
}

std::string TMainForm::UserGuidePath() {
  const std::string dir = orn::ProgramDataDir() + "help/";
  const int language = orn::Framework().values.language;
  std::vector<std::string> names;
  if (language == 1) names.push_back("index.lv.html");
  if (language == 2) names.push_back("index.ru.html");
  names.push_back("index.html");
  for (const std::string& name : names)
    if (orn::FileExists(dir + name)) return dir + name;
  return {};
}

void TMainForm::ChangeLanguage() {
  TOrnForm::ChangeLanguage();
  if (!list_) return;  // the form base translates before the window is built
  list_->setHorizontalHeaderLabels({WindowText("List_0", "File"), WindowText("List_1", "Path")});
  // The caption strip names the program as the About window does, and so
  // do the captions of message windows that have none of their own.
  const QString programName = WindowText("LblAboutTitle", "Ombrelant ZIP archivator");
  GradientCaption()->ClearCaptions();
  GradientCaption()->AddCaption(programName);
  QGuiApplication::setApplicationDisplayName(programName);
  UpdateAccessibleNames();
}

void TMainForm::UpdateAccessibleNames() {
  // Buttons that show only a picture are named by their hint; the list and
  // the volume size field by the captions beside them.
  for (QToolButton* button : findChildren<QToolButton*>()) {
    const QString hint = button->property("hint").toString();
    button->setAccessibleDescription(hint);
    // A button that shows a picture or a sign ("?") is named by its hint.
    if (button->text().size() < 2 || button->toolButtonStyle() == Qt::ToolButtonIconOnly)
      button->setAccessibleName(hint);
  }
  if (auto* caption = findChild<QLabel*>("OrnLabel9")) list_->setAccessibleName(caption->text());
  edit3_->setAccessibleName(volumeGroup_->title());
  cbLabelLang_->setAccessibleName(cbLabelLang_->property("hint").toString());
  removeRows_->setText(WindowText("RemoveRows1", "Remove from the list"));
  recentMenu_->setTitle(WindowText("Recent1", "Recent jobs"));
}

void TMainForm::FitToTexts() {
  // The window has a fixed size; after a switch of language the new texts
  // decide it, as they do at start-up.
  for (QWidget* w : findChildren<QWidget*>()) w->updateGeometry();
  if (layout()) {
    layout()->invalidate();
    layout()->activate();
  }
  setFixedSize(sizeHint().expandedTo(QSize(720, 0)));
  update();
}
