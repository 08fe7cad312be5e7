// Pictures of the unzip window, the About window and the calculator, for
// looking at them and for the documentation: `UnzipAboutScreens OUTDIR
// [lv|ru|en]` writes, in that language (Latvian when none is given),
// unzip.png, unzip-choice.png, unzip-choice-placed.png (the choice window
// where it opens, over the window that opened the unzip window),
// unzip-finished.png, unzip-replace.png, about.png and calculator.png, and
// the questions of extracting an AES archive with a wrong password:
// unzip-password.png, unzip-password-wrong.png, unzip-finish-wrong.png (run
// under xvfb-run).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <memory>

#include "ArchivatorDialogs.h"
#include "Calculat.h"
#include "DialogService.h"
#include "MessageDialog.h"
#include "QtDialogService.h"
#include "UnitAbout.h"
#include "ZipEngine.h"
#include "ZipTestSupport.h"
#include "frmSimpleZipper.h"

namespace {

void Save(QWidget& window, const QString& path) {
  window.show();
  // The folder tree loads in the background.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!window.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  window.hide();
}

// Each modal dialog that comes up is drawn into the next of `pictures`, then
// answered: the next of `typed` goes into its text field, and it is accepted.
void AnswerDialogs(const QString& out, QStringList pictures, QStringList typed) {
  auto* timer = new QTimer(qApp);
  auto seen = std::make_shared<QElapsedTimer>();
  QObject::connect(timer, &QTimer::timeout, [=]() mutable {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || pictures.isEmpty() || dialog->objectName() == "frmSimplyZIP") return;
    if (!seen->isValid()) seen->start();
    if (seen->elapsed() < 500) return;  // drawn and settled
    if (!dialog->grab().save(out + pictures.takeFirst())) std::fprintf(stderr, "cannot write a picture\n");
    if (auto* input = qobject_cast<QInputDialog*>(dialog); input && !typed.isEmpty())
      input->setTextValue(typed.takeFirst());
    seen->invalidate();
    dialog->accept();
  });
  timer->start(50);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: UnzipAboutScreens OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  QTemporaryDir work;
  QDir::setCurrent(work.path());
  const std::string base = work.path().toStdString() + "/";
  // A second argument chooses the language.
  const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "lv";
  const std::string n = language == "ru" ? "2" : language == "en" ? "3" : "1";
  ziptest::WriteFile(base + "Params.ini", "LANGUAGE=" + n + "\r\nSYSLANGUAGE=" + n + "\r\nHELPLANGUAGE=" + n + "\r\n");

  const std::string archive = base + "Buh(Day_3-th).zip";
  ziptest::WriteFile(archive, ziptest::MakeZip({{"srv/buh/KONTI.DB", "k"},
                                                {"srv/buh/KONTI.PX", "i"},
                                                {"srv/buh/DOKUM.DB", "d"},
                                                {"srv/buh/DOKUM.MB", "m"},
                                                {"srv/buh/PARTNERI.DB", "p"},
                                                {"home/buh/notes.txt", "n"},
                                                {"home/buh/Atskaite 2026.xlsx", "x"},
                                                // "Баланс.txt" from a Russian DOS program
                                                {"home/buh/\x81\xa0\xab\xa0\xad\xe1.txt", "b", 0}}));
  for (const char* folder : {"restore", "restore/2026", "Arhivi", "Dokumenti"})
    QDir().mkpath(work.path() + "/" + folder);
  {
    TfrmSimplyZIP unzip;
    unzip.OpenArchive(archive);
    unzip.SetChoices(false, true);
    unzip.SetTargetDirectory(base + "restore");
    auto* box = unzip.findChild<QListWidget*>("Box");
    box->item(1)->setSelected(true);
    box->item(4)->setSelected(true);
    // The picture shows the scratch folder's tree, not this machine's.
    auto* tree = unzip.findChild<QTreeView*>("DirectoryListBox1");
    tree->setRootIndex(static_cast<QFileSystemModel*>(tree->model())->index(work.path()));
    Save(unzip, out + "unzip.png");
  }
  {
    // An archive another archiver encrypted with AES, and a person who
    // mistypes its password every time.
    orn::SetDialogs(std::make_unique<QtDialogService>());
    UseDictionaryForZipMessages();
    TZipEngine maker;
    maker.SetUnattended(true);
    maker.SetAddOptions({AddEncrypt});
    maker.SetPassword("Slepens-2026");
    maker.SetAddAesKeyBits(256);
    maker.SetZipFileName(base + "Aizsargats.zip");
    maker.FSpecArgs = {archive};
    maker.Add();
    TfrmSimplyZIP unzip;
    unzip.OpenArchive(base + "Aizsargats.zip");
    unzip.SetChoices(true, true);
    unzip.SetTargetDirectory(base + "restore");
    unzip.show();
    AnswerDialogs(
        out, {"unzip-password.png", "unzip-password-wrong.png", "unzip-password-wrong.png", "unzip-finish-wrong.png"},
        {"slepens", "Slepens2026", "Slepens-2025"});
    unzip.SpeedButton3Click();
    unzip.hide();
  }
  {
    TFormBefPars choice;
    Save(choice, out + "unzip-choice.png");
  }
  {
    // Where the choice window opens: over the window that opened the unzip
    // window, not in a corner of the screen.
    QWidget opener;
    opener.setWindowTitle("Ombrelant archivator");
    opener.setGeometry(200, 150, 760, 520);
    opener.show();
    TfrmSimplyZIP unzip(&opener);
    TFormBefPars choice(&unzip);
    orn::CentreOn(&choice, &opener);
    choice.show();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 800) QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (QScreen* screen = QGuiApplication::primaryScreen())
      screen->grabWindow(0, 0, 0, 1280, 800).save(out + "unzip-choice-placed.png");
  }
  {
    // The end of an extraction in the window's language.
    TfrmSimplyZIP unzip;
    const QString finished = unzip.findChild<QLabel*>("msg_Finish")->text();
    std::unique_ptr<QDialog> done = CreateMessageDialog(finished, "", orn::DialogType::Information, orn::kBtnOK);
    Save(*done, out + "unzip-finished.png");
  }
  {
    // The question before a file in the target folder is replaced.
    TfrmSimplyZIP unzip;
    const QString replace = unzip.findChild<QLabel*>("msg_ReplaceFile")->text();
    std::unique_ptr<QDialog> question = CreateMessageDialog(
        replace + "\nsrv/buh/KONTI.DB", "", orn::DialogType::Confirmation,
        orn::kBtnYes | orn::kBtnYesToAll | orn::kBtnNo | orn::kBtnNoToAll | orn::kBtnKeepBoth | orn::kBtnCancel);
    Save(*question, out + "unzip-replace.png");
  }
  {
    TFormA about;
    Save(about, out + "about.png");
  }
  {
    TFormCalcul calc;
    for (char d : std::string("1250")) calc.DigitClick(d);
    calc.BtnMSClick();
    calc.BtnMultClick();
    for (char d : std::string("1.21")) d == '.' ? calc.BtnZptClick() : calc.DigitClick(d);
    calc.BtnPlusClick();
    Save(calc, out + "calculator.png");
  }
  return 0;
}
