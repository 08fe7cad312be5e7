// Pictures of the main window for looking at it and for the documentation:
// `MainWinScreens OUTDIR [lv|ru|en]` writes, in that language (Latvian when
// none is given): main-job.png (a job open from the start), main-summary.png
// (a run's summary in its panel, a hint beside it), restore-unreadable.png
// (a restore that stopped before any file), run-failed.png (the
// message window of a run that failed), file-menu.png (with the recent
// jobs), list-menu.png (the file list's menu from the keyboard),
// language-chooser.png, save-question.png, question-window.png,
// add-question.png (adding files to a job that has some), and
// main-switched-russian.png / main-switched-latvian.png (the language
// switched while the program runs) and plus-remotes.png (the second-copy
// chooser with two rclone remotes configured).
// Run it from a scratch directory with XDG_CONFIG_HOME pointing into it: the
// window writes Params.ini there, and remembers the recent jobs there.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>
#include <QToolButton>
#include <cstdio>

#include "DialogService.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "MainUnit.h"
#include "MessageDialog.h"
#include "ScriptedDialogService.h"
#include "Soobchen.h"
#include "UnitMessanger.h"

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

bool Save(QWidget& window, const QString& path) {
  Settle();
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// A popup is a window of its own: the screen around it shows it in place.
bool SaveScreen(const QRect& area, const QString& path) {
  Settle();
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The main window as a run leaves it: ReportOutcome is the window's own.
class ShownForm : public TMainForm {
 public:
  using TMainForm::ReportOutcome;
  using TMainForm::TMainForm;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: MainWinScreens OUTDIR [lv|ru|en]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "lv";
  const int n = language == "ru" ? 2 : language == "en" ? 3 : 1;
  const std::string index = std::to_string(n);
  orn::WriteFileAtomically("Params.ini",
                           "LANGUAGE=" + index + "\r\nSYSLANGUAGE=" + index + "\r\nHELPLANGUAGE=" + index + "\r\n");
  orn::Job job;
  job.archiveDirectory = "/srv/backup/buh/";
  job.archiveName = "Buh";
  job.uniqueFolder = "Unique";
  job.plusPath = "/mnt/usb/buh/";
  job.rotationScheme = 'W';
  job.uniqueScheme = 'M';
  job.jobList = {"/srv/buh/KONTI.DB", "/srv/buh/KONTI.PX", "/srv/buh/DOKUM.DB", "/home/buh/Documents/Notes.txt"};
  const std::string jobFile = QDir::currentPath().toStdString() + "/buh.arh";
  orn::WriteJobFile(job, jobFile);
  // A job of the same name in another folder, used before this one: the
  // recent jobs tell them apart by their folders.
  QDir().mkpath("old");
  const std::string oldJob = QDir::currentPath().toStdString() + "/old/buh.arh";
  orn::WriteJobFile(job, oldJob);
  { TMainForm used({oldJob}); }

  ShownForm form({jobFile});
  form.move(40, 40);
  form.show();
  Settle();
  if (!Save(form, out + "main-job.png")) return 1;

  // A run's outcome stays in its panel while a hint passes beside it.
  // The summary in the window's language, as the run makes it.
  const QString made = form.findChild<QLabel*>("sum_Made")->text();
  form.ReportOutcome(
      "",
      QString(made).replace("%1", "/srv/backup/buh/Buh(Day_3-th).zip").replace("%2", "Buh(Day_3-th).zip").toStdString(),
      false, false, "");
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(form.findChild<QToolButton*>("SpeedButton10"), &enter);
  if (!Save(form, out + "main-summary.png")) return 1;

  // A restore that stopped before any file says why in the same panel.
  const QString unreadable = form.findChild<QLabel*>("sum_Unreadable")->text();
  form.ReportOutcome("",
                     QString(unreadable).replace("%1", "/srv/backup/buh/Buh(Day_3-th).zip").toStdString() +
                         " (This file is not a zip archive (no end of central directory))",
                     false, false, "");
  if (!Save(form, out + "restore-unreadable.png")) return 1;

  // A run that could not write its second copy: what failed, where, why.
  {
    auto scripted = std::make_unique<orn::ScriptedDialogService>();
    orn::ScriptedDialogService* asked = scripted.get();
    auto previous = orn::SetDialogs(std::move(scripted));
    const QString noCopy = form.findChild<QLabel*>("msg_NoCopyFile")->text();
    form.ReportOutcome("", form.findChild<QLabel*>("LblSummary")->text().toStdString(), true, false,
                       "/srv/backup/buh/ZuzIzu_log.txt",
                       {noCopy.toStdString() +
                        " \"/tmp/OrnZpArh_Temporary_Directory/Buh(Day_3-th).zip\"->\"/mnt/usb/buh/Buh(Day_3-th).zip\": "
                        "Read-only file system"});
    auto kept = orn::SetDialogs(std::move(previous));  // the answers stay readable
    if (asked->messageBoxes.empty()) return 1;
    const orn::MessageBoxRequest& r = asked->messageBoxes.front();
    TFormSoobchen box;
    box.Prepare(QString::fromStdString(r.caption), QString::fromStdString(r.message), QString::fromStdString(r.extra),
                r.iconIndex, r.defaultButton, r.buttons, QString::fromStdString(r.okCaption),
                QString::fromStdString(r.cancelCaption));
    box.show();
    if (!Save(box, out + "run-failed.png")) return 1;
  }

  // The File menu with the recent jobs and their folders.
  if (auto* file = form.findChild<QMenu*>("File1")) {
    file->popup(form.mapToGlobal(QPoint(10, 20)));
    if (auto* recent = form.findChild<QMenu*>("Recent1")) {
      Settle();
      recent->popup(file->geometry().topRight());
      Settle();
      if (!SaveScreen(file->geometry().united(recent->geometry()).adjusted(-4, -4, 4, 4), out + "file-menu.png"))
        return 1;
      recent->hide();
    }
    file->hide();
  }

  // The second-copy chooser offers the configured rclone remotes.
  orn::WriteFileAtomically("rclone.conf", "[offsite]\ntype = local\n\n[nas]\ntype = local\n");
  ::setenv("RCLONE_CONFIG", (QDir::currentPath() + "/rclone.conf").toUtf8().constData(), 1);
  if (auto* plus = form.findChild<QToolButton*>("SpeedButton6")) {
    plus->click();
    Settle();
    if (auto* menu = form.findChild<QMenu*>("PlusPathMenu")) {
      if (!Save(*menu, out + "plus-remotes.png")) return 1;
      menu->close();
    }
  }

  // Shift+F10 on the file list opens its menu beside the current row.
  if (auto* list = form.findChild<QTableWidget*>("List")) {
    list->setFocus();
    list->setCurrentCell(1, 0);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(list, &press);
    Settle();
    if (QWidget* menu = QApplication::activePopupWidget()) {
      const QRect area = list->geometry().translated(form.mapToGlobal(QPoint(0, 0))).united(menu->geometry());
      if (!SaveScreen(area.adjusted(-4, -4, 4, 4), out + "list-menu.png")) return 1;
      menu->close();
    }
  }

  // The language chooser, each language named in itself.
  if (auto* chooser = form.findChild<QComboBox*>("cbLabelLang")) {
    chooser->showPopup();
    Settle();
    const QRect area = chooser->geometry().translated(chooser->parentWidget()->mapToGlobal(QPoint(0, 0)));
    if (!SaveScreen(area.united(chooser->view()->window()->geometry()).adjusted(-60, -10, 60, 10),
                    out + "language-chooser.png"))
      return 1;
    chooser->hidePopup();
  }

  // The save question as closing the edited job shows it.
  const QString question = form.findChild<QWidget*>("LabSav")->property("text").toString();
  std::unique_ptr<QDialog> dialog = CreateMessageDialog(question, form.windowTitle(), orn::DialogType::Confirmation,
                                                        orn::kBtnYes | orn::kBtnNo | orn::kBtnCancel);
  dialog->show();
  if (!Save(*dialog, out + "save-question.png")) return 1;

  // The question window's in-house buttons, the first with the focus frame.
  {
    TfrmMessager messager;
    messager.Prepare(question, "Yes", "No");
    messager.show();
    messager.activateWindow();
    if (auto* yes = messager.findChild<QWidget*>("BitBtn1")) yes->setFocus(Qt::TabFocusReason);
    if (!Save(messager, out + "question-window.png")) return 1;
  }

  // Adding files to a job that has some: each answer says what it does.
  {
    TfrmMessager messager;
    auto text = [&](const char* name) { return form.findChild<QLabel*>(name)->text(); };
    messager.PrepareChoice(QString(), text("LabAdd"), {text("btn_AddToList"), text("btn_ReplaceList"), "Cancel"}, 0, 2);
    messager.show();
    messager.activateWindow();
    if (auto* add = messager.findChild<QWidget*>("BitBtn1")) add->setFocus(Qt::TabFocusReason);
    if (!Save(messager, out + "add-question.png")) return 1;
  }

  // As the user does it: choose the language in the running window.
  auto* chooser = form.findChild<QComboBox*>("cbLabelLang");
  if (!chooser || chooser->count() < 2) {
    std::fprintf(stderr, "the dictionary beside the program has no second language\n");
    return 1;
  }
  chooser->setCurrentIndex(1);
  emit chooser->activated(1);
  if (!Save(form, out + "main-switched-russian.png")) return 1;
  chooser->setCurrentIndex(0);
  emit chooser->activated(0);
  if (!Save(form, out + "main-switched-latvian.png")) return 1;
  return 0;
}
