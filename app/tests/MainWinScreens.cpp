// Pictures of the main window for the documentation: `MainWinScreens OUTDIR`
// writes main-switched-russian.png and main-switched-latvian.png (a job open,
// the language switched while the program runs), file-menu.png,
// save-question.png, question-window.png and plus-remotes.png (the
// second-copy chooser with two rclone remotes configured).
// Run it from a scratch directory: the window writes Params.ini there.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <cstdio>

#include "FileSystem.h"
#include "JobFile.h"
#include "MainUnit.h"
#include "MessageDialog.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: MainWinScreens OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  orn::WriteFileAtomically("Params.ini", "LANGUAGE=1\r\nSYSLANGUAGE=1\r\nHELPLANGUAGE=1\r\n");
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

  TMainForm form({jobFile});
  form.show();
  Settle();
  auto* chooser = form.findChild<QComboBox*>("cbLabelLang");
  if (!chooser || chooser->count() < 2) {
    std::fprintf(stderr, "the dictionary beside the program has no second language\n");
    return 1;
  }
  // As the user does it: choose the language in the running window.
  chooser->setCurrentIndex(1);
  emit chooser->activated(1);
  if (!Save(form, out + "main-switched-russian.png")) return 1;
  chooser->setCurrentIndex(0);
  emit chooser->activated(0);
  if (!Save(form, out + "main-switched-latvian.png")) return 1;

  // The File menu with the recent jobs.
  if (auto* file = form.findChild<QMenu*>("File1")) {
    file->popup(form.mapToGlobal(QPoint(10, 20)));
    if (!Save(*file, out + "file-menu.png")) return 1;
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

  // The save question as closing the edited job shows it.
  const QString question = form.findChild<QWidget*>("LabSav")->property("text").toString();
  std::unique_ptr<QDialog> dialog = CreateMessageDialog(question, form.windowTitle(), orn::DialogType::Confirmation,
                                                        orn::kBtnYes | orn::kBtnNo | orn::kBtnCancel);
  dialog->show();
  if (!Save(*dialog, out + "save-question.png")) return 1;

  // The question window's in-house buttons, the first with the focus frame.
  TfrmMessager messager;
  messager.Prepare(question, orn::ButtonCaption("Yes"), orn::ButtonCaption("No"));
  messager.show();
  messager.activateWindow();
  if (auto* yes = messager.findChild<QWidget*>("BitBtn1")) yes->setFocus(Qt::TabFocusReason);
  if (!Save(messager, out + "question-window.png")) return 1;
  return 0;
}
