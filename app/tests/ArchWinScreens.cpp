// Pictures of the archiver's windows, for looking at them and for the
// documentation: `ArchWinScreens OUTDIR [lv|ru|en]` writes, in that language
// (Latvian when none is given), progress.png (zipping, inside a large
// file), progress-verifying.png (reading a copy back), archive-chooser.png,
// file-chooser.png, overwrite-question.png, add-files.png, marking.png,
// copy-to-floppies.png, copy-to-floppies-done.png and
// copy-to-stick-waiting.png (drive A: a USB stick, waiting for the next one),
// disk-next.png, disk-previous-volume.png and disk-full.png (the questions
// of volumes written across removable disks).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "ArchivatorDialogs.h"
#include "ArchiverActions.h"
#include "DialogService.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "Floppy.h"
#include "Marking.h"
#include "OrnStringGrid.h"
#include "RemovableMedia.h"
#include "ScriptedDialogService.h"
#include "Soobchen.h"
#include "SprAdm.h"
#include "Table.h"
#include "TextLookups.h"
#include "UnArh.h"
#include "UnitProgress.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"
#include "ZipMessages.h"
#include "ZipQuestions.h"
#include "addfiles.h"
#include "funarhf.h"

namespace {

void Save(QWidget& window, const QString& path) {
  window.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  if (!window.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  window.hide();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: ArchWinScreens OUTDIR [lv|ru|en]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  QTemporaryDir work;
  QDir::setCurrent(work.path());
  const std::string base = work.path().toStdString() + "/";
  const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "lv";
  const std::string n = language == "ru" ? "2" : language == "en" ? "3" : "1";
  orn::WriteFileAtomically("Params.ini", "LANGUAGE=" + n + "\r\nSYSLANGUAGE=" + n + "\r\nHELPLANGUAGE=" + n + "\r\n");

  orn::Job job;
  job.archiveDirectory = base + "arh/";
  job.archiveName = "Buh";
  job.uniqueFolder = "Unique";
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"srv/buh/KONTI.DB", "k"}, {"srv/buh/KONTI.PX", "i"},    {"srv/buh/DOKUM.DB", "d"},
      {"srv/buh/DOKUM.MB", "m"}, {"srv/buh/PARTNERI.DB", "p"}, {"home/buh/notes.txt", "n"}};
  for (const char* name : {"Buh(Day_1-th).zip", "Buh(Day_2-th).zip", "Buh(Day_3-th).zip", "Buh(Day_5-th).zip",
                           "Unique/Buh(DATE=1,12,2026).zip", "Unique/Buh(DATE=7,12,2026).zip"})
    orn::test::FakeBackend::WriteArchive(job.archiveDirectory + name, entries);
  // The file column is headed by the main window's group caption, which
  // is not open here.
  const QString groupCaption = language == "ru" ? "Архив" : language == "en" ? "Archive" : "Arhīvs";
  TFormUnarh chooser(job, groupCaption);
  // The picture shows a made-up archive directory rather than a scratch one.
  orn::ArchiveChoices choices = orn::ListArchives(job);
  choices.archiveDirectory = "/srv/backup/buh/";
  chooser.Fill(choices);
  chooser.show();
  chooser.SimGrid()->setCurrentCell(3, 0);
  chooser.GridClick(chooser.SimGrid());
  Save(chooser, out + "archive-chooser.png");

  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.first);
  orn::FileChooserModel model(names, [](const std::string& n) { return n.ends_with(".PX") || n.ends_with(".MB"); });
  model.Include({1});
  TFormUnAr files(model);
  Save(files, out + "file-chooser.png");

  // The question before a restore replaces files, as the restore asks it.
  {
    auto scripted = std::make_unique<orn::ScriptedDialogService>();
    orn::ScriptedDialogService* asked = scripted.get();
    auto previous = orn::SetDialogs(std::move(scripted));
    struct Texts : orn::MessageTexts {
      std::string Text(const std::string& label) const override {
        const std::string text = orn::LabelText(label);
        return text.empty() ? DefaultText(label) : text;
      }
    } texts;
    orn::AskOverwrite(texts, {"/srv/buh/KONTI.DB", "/srv/buh/KONTI.PX", "/home/buh/notes.txt"});
    auto kept = orn::SetDialogs(std::move(previous));  // the answers stay readable
    const orn::MessageBoxRequest& r = asked->messageBoxes.front();
    TFormSoobchen box;
    box.Prepare(QString::fromStdString(r.caption), QString::fromStdString(r.message), QString::fromStdString(r.extra),
                r.iconIndex, r.defaultButton, r.buttons);
    Save(box, out + "overwrite-question.png");
  }

  for (const char* name : {"buh/KONTI.DB", "buh/KONTI.PX", "buh/2024/old.txt", "Notes.txt", "konti/readme"})
    orn::test::WriteFile(base + "tree/" + name, "x");
  TAddForm add(base + "tree/");
  Save(add, out + "add-files.png");

  TfrmSPRAdmin marking(nullptr);
  marking.SetLines({{"KONTI.DB", orn::FormatMarkingLine("KONTI.DB", "Kontu plāns", "galvenā grāmata"), true},
                    {"DOKUM.DB", orn::FormatMarkingLine("DOKUM.DB", "Dokumenti", ""), false},
                    {"PARTNERI.DB", orn::FormatMarkingLine("PARTNERI.DB", "Partneri", "klienti"), true}});
  Save(marking, out + "marking.png");

  QDir(work.path()).mkpath("floppy");
  ::setenv("ORN_DRIVE_A", (work.path() + "/floppy").toUtf8().constData(), 1);
  std::vector<std::string> volumes;
  for (const char* name : {"Buh(Day_2-th)001.zip", "Buh(Day_2-th)002.zip", "Buh(Day_2-th)003.zip"}) {
    orn::WriteFileAtomically(base + name, "volume");
    volumes.push_back(base + name);
  }
  TFormCopyToFlop floppies(volumes, "Buh");
  floppies.show();
  floppies.BtnCopyToClick();
  Save(floppies, out + "copy-to-floppies.png");
  TFormCopyToFlop copied(volumes, "Buh");
  copied.show();
  for (int i = 0; i < 3; ++i) copied.BtnCopyToClick();
  Save(copied, out + "copy-to-floppies-done.png");
  copied.BtnExitClick();
  {
    class Stick : public orn::MediaProbe {
     public:
      std::string mountPoint;
      std::vector<orn::Medium> Mounted() override { return {{mountPoint, "stick", 1 << 30, 1 << 30}}; }
    };
    auto stick = std::make_unique<Stick>();
    stick->mountPoint = (work.path() + "/floppy/").toStdString();
    auto previous = orn::SetMedia(std::move(stick));
    TFormCopyToFlop waiting(volumes, "Buh");
    waiting.show();
    waiting.BtnCopyToClick();
    Save(waiting, out + "copy-to-stick-waiting.png");
    waiting.BtnExitClick();
    orn::SetMedia(std::move(previous));
  }

  // The questions of volumes written across removable disks, in the windows
  // the program shows them in: the next disk, a disk holding an earlier
  // volume of the set, and a full disk with files on it.
  {
    auto previous = orn::SetDialogs(std::make_unique<ArchivatorDialogService>());
    UseDictionaryForZipMessages();
    TZipEngine engine;
    orn::ZipEngineBackend backend(engine);
    orn::ZipQuestions& questions = *engine.Questions();
    auto grabModal = [](const QString& path) {
      QTimer::singleShot(300, [path] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
          if (!modal->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
          modal->close();
        }
      });
    };
    using orn::FormatZipMessage;
    using orn::ZipMessageText;
    std::string inDrive = ZipMessageText(orn::kZipInDrive);
    inDrive.erase(0, inDrive.find_first_not_of("\r\n"));
    grabModal(out + "disk-next.png");
    questions.AskNextDisk(FormatZipMessage(FormatZipMessage(ZipMessageText(orn::kZipInsertDiskOf), "2"), "3") + "\r\n" +
                          FormatZipMessage(inDrive, "/media/buh/BACKUP/"));
    grabModal(out + "disk-previous-volume.png");
    questions.AskAboutDisk(zdsHasFiles | zdsPreviousDisk,
                           FormatZipMessage(ZipMessageText(orn::kZipOverwriteDisk), "1"));
    grabModal(out + "disk-full.png");
    questions.AskAboutDisk(zdsHasFiles | zdsNotEnoughSpace,
                           ZipMessageText(orn::kZipNoRoom) + "\r\n" +
                               FormatZipMessage(FormatZipMessage(ZipMessageText(orn::kZipRemoveToMakeRoom), "12"),
                                                "/media/buh/BACKUP/arh/"));
    orn::SetDialogs(std::move(previous));
  }

  // Made after the forms above, which load the dictionary, as in the program.
  TfrmProgress progress;
  progress.SetTitle(orn::StageTitle(orn::ProgressStage::Zipping));
  progress.SetBusy(true);  // mid-run: Cancel is there to press
  progress.StartJob(214, 948'300'000);
  QThread::msleep(1500);  // long enough for the time left to be known
  for (int i = 0; i < 87; ++i) progress.ItemStarted(19'750'000);
  // Inside a large file the bar and the sizes move on.
  progress.BytesDone(412'000'000);
  progress.SetFileName("/srv/buh/data/2026/DOKUMENTI.DB");
  Save(progress, out + "progress.png");

  // Reading the copy back: the same bar, by bytes.
  TfrmProgress verifying;
  verifying.SetTitle(orn::StageTitle(orn::ProgressStage::Verifying));
  verifying.SetBusy(true);
  verifying.SetFileName("/srv/backup/buh/Buh(Day_3-th).zip");
  verifying.StartJob(214, 948'300'000);
  QThread::msleep(1200);
  for (int i = 0; i < 150; ++i) verifying.ItemStarted(0);
  verifying.BytesDone(700'000'000);
  Save(verifying, out + "progress-verifying.png");
  return 0;
}
