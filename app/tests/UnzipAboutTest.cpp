// The unzip window over the real zip engine, the About window, and Ctrl+K in
// every window of the program, driven as a user drives them. Questions and
// choosers are answered by a scripted dialog service; archives are built by
// the test.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <memory>

#include "ArchivatorDialogs.h"
#include "ArchivatorWindow.h"
#include "ArchiverActions.h"
#include "Calculat.h"
#include "CalculatorDriving.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "MainUnit.h"
#include "MessageDialog.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "ScriptedDialogService.h"
#include "SourcesTestUtil.h"
#include "SprAdm.h"
#include "UnArh.h"
#include "UnitAbout.h"
#include "UnitMessanger.h"
#include "WindowTestUtil.h"
#include "ZipMessages.h"
#include "ZipTestSupport.h"
#include "addfiles.h"
#include "frmSimpleZipper.h"
#include "funarhf.h"

namespace {

// The entry names as listed, with "/" between folders whatever the
// engine's notation.
QString Slashed(QString name) { return name.replace('\\', '/'); }

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << Slashed(list->item(i)->text());
  return items;
}

void Select(QListWidget* list, const QStringList& names) {
  for (int i = 0; i < list->count(); ++i)
    if (names.contains(Slashed(list->item(i)->text()))) list->item(i)->setSelected(true);
}

void Check(QWidget* window, const char* radioName) {
  QTest::mouseClick(Child<TOrnRadioButton>(window, radioName)->Mark(), Qt::LeftButton);
}

// The files under `dir`, as relative paths, sorted.
QStringList FilesUnder(const QString& dir) {
  QStringList files;
  QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(dir).relativeFilePath(it.next());
  files.sort();
  return files;
}

const std::vector<ziptest::MemEntry> kEntries = {{"dir/sub/c.txt", "ccc"}, {"b.txt", "bb"}, {"dir/a.txt", "a"}};

// What a person does in the unzip window: choose the archive, answer the
// choice window, choose a folder, select entries, extract.
struct UnzipScript {
  std::string archive;
  std::string target;
  bool allFiles = true;
  bool withFolders = false;
  QStringList select;
  std::function<void()> beforeExtract;  // breaks something on purpose
  QStringList listed;                   // what the list showed
  bool extractEnabled = false;
  bool hintShown = false;
  QString statusAfter;
};

void RunUnzip(UnzipScript& s, orn::ScriptedDialogService& dialogs) {
  dialogs.openFiles.push_back(s.archive);
  dialogs.directories.push_back(s.target);
  WhenModal<TFormBefPars>([&s](TFormBefPars* w) {
    Check(w, s.allFiles ? "OrnLabVisif" : "OrnLabIzvelF");
    Check(w, s.withFolders ? "OrnRadioPaDirKakNado" : "OrnRadioUzToDir");
    QTest::mouseClick(Child<QPushButton>(w, "OrnButtOK"), Qt::LeftButton);
  });
  WhenModal<TfrmSimplyZIP>([&s](TfrmSimplyZIP* w) {
    auto* box = Child<QListWidget>(w, "Box");
    s.listed = Items(box);
    s.hintShown = Child<QLabel>(w, "OrnLabNotShow")->isVisible();
    QTest::mouseClick(Child<QPushButton>(w, "OrnButChooseDirec"), Qt::LeftButton);
    Select(box, s.select);
    auto* extract = Child<QPushButton>(w, "SpeedButton3");
    s.extractEnabled = extract->isEnabled();
    if (s.beforeExtract) s.beforeExtract();
    if (s.extractEnabled) QTest::mouseClick(extract, Qt::LeftButton);
    s.statusAfter = Child<QLabel>(w, "StatProgText")->text();
    w->close();
  });
  TfrmSimplyZIP window;
  QVERIFY(window.Execute());
}

}  // namespace

// Receives the addresses that the desktop would open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened << url; }
};

class UnzipAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    orn::InstallCalculator();
    // Without a language in Params.ini the windows speak the locale's; these
    // windows are looked at in Latvian, the program's first language.
    qputenv("LC_ALL", "lv_LV.UTF-8");
    // The windows keep Params.ini in the current directory: a scratch one,
    // so that no earlier run decides this one's language.
    QVERIFY(workDir_.isValid());
    QDir::setCurrent(workDir_.path());
  }

  void init() {
    dialogs_ = std::make_unique<ziptest::InstalledDialogs>();
    dir_ = std::make_unique<QTemporaryDir>();
    target_ = dir_->path() + "/out";
    QDir().mkpath(target_);
  }
  void cleanup() {
    dialogs_.reset();
    dir_.reset();
  }

  void cancellingTheFileDialogClosesTheWindow() {
    (*dialogs_)->openFiles.push_back(std::nullopt);
    TfrmSimplyZIP window;
    QVERIFY(!window.Execute());
    QVERIFY(!window.isVisible());
    QCOMPARE((*dialogs_)->asked.size(), size_t{1});
    QVERIFY((*dialogs_)->asked[0].rfind("open", 0) == 0);
  }

  void extraction_data() {
    QTest::addColumn<bool>("allFiles");
    QTest::addColumn<bool>("withFolders");
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("finish");
    QTest::newRow("all, flat") << true << false << QStringList{} << QStringList{"a.txt", "b.txt", "c.txt"}
                               << "Pabeigts";
    QTest::newRow("all, with folders") << true << true << QStringList{}
                                       << QStringList{"b.txt", "dir/a.txt", "dir/sub/c.txt"} << "Pabeigts";
    QTest::newRow("chosen, flat") << false << false << QStringList{"dir/sub/c.txt"} << QStringList{"c.txt"}
                                  << "Pabeigts";
    QTest::newRow("chosen, with folders") << false << true << QStringList{"dir/sub/c.txt", "b.txt"}
                                          << QStringList{"b.txt", "dir/sub/c.txt"} << "Pabeigts";
    QTest::newRow("chosen, nothing selected") << false << false << QStringList{} << QStringList{} << "Pabeigts";
  }
  void extraction() {
    QFETCH(bool, allFiles);
    QFETCH(bool, withFolders);
    QFETCH(QStringList, select);
    QFETCH(QStringList, written);
    QFETCH(QString, finish);
    const std::string archive = dir_->path().toStdString() + "/set.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip(kEntries));
    UnzipScript s;
    s.archive = archive;
    s.target = target_.toStdString();
    s.allFiles = allFiles;
    s.withFolders = withFolders;
    s.select = select;
    RunUnzip(s, **dialogs_);

    QCOMPARE(s.listed, (QStringList{"b.txt", "dir/a.txt", "dir/sub/c.txt"}));
    QCOMPARE(s.hintShown, !allFiles);
    QVERIFY(s.extractEnabled);
    QCOMPARE(s.statusAfter, QString(".........."));
    QCOMPARE(FilesUnder(target_), written);
    // Only the file dialog, the folder chooser and the closing message.
    QCOMPARE((*dialogs_)->asked.size(), size_t{3});
    QCOMPARE(QString::fromStdString((*dialogs_)->asked.back()), "dialog: " + finish);
    if (!written.isEmpty()) {
      QCOMPARE(ziptest::ReadFile(target_.toStdString() + "/" + written.back().toStdString()),
               std::string(written.back().endsWith("c.txt") ? "ccc" : "bb"));
    }
  }

  // A name written by a DOS program that reads as meant in the OEM code
  // page of the interface language is read in it.
  void dosNamesFollowTheLanguage_data() {
    QTest::addColumn<int>("charset");
    QTest::addColumn<QString>("name");
    QTest::newRow("Latvian") << 186 << QString::fromUtf8("\u0100.txt");  // 0xA0 in 775
    QTest::newRow("Russian") << 204 << QString::fromUtf8("\u0430.txt");  // 0xA0 in 866
  }
  void dosNamesFollowTheLanguage() {
    QFETCH(int, charset);
    QFETCH(QString, name);
    const std::string archive = dir_->path().toStdString() + "/dos.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip({{"\xA0.txt", "x"}}));
    TfrmSimplyZIP window;
    const int previous = orn::Framework().values.labelCharset;
    orn::Framework().values.labelCharset = charset;
    window.FormCreate();
    orn::Framework().values.labelCharset = previous;
    window.OpenArchive(archive);
    QCOMPARE(Items(Child<QListWidget>(&window, "Box")), QStringList{name});
  }

  void notAnArchive_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("a text file") << QByteArray("These are my notes, not an archive.\n");
    QTest::newRow("an empty file") << QByteArray();
    const std::string zip = ziptest::MakeZip(kEntries);
    QTest::newRow("an archive cut short") << QByteArray::fromStdString(zip.substr(0, zip.size() - 30));
    QTest::newRow("a file that is not there") << QByteArray("<none>");
  }
  void notAnArchive() {
    QFETCH(QByteArray, content);
    const std::string archive = dir_->path().toStdString() + "/notes.zip";
    if (content != "<none>") ziptest::WriteFile(archive, content.toStdString());
    UnzipScript s;
    s.archive = archive;
    s.target = target_.toStdString();
    RunUnzip(s, **dialogs_);
    QVERIFY(s.listed.isEmpty());
    QVERIFY(!s.extractEnabled);
    QVERIFY(FilesUnder(target_).isEmpty());
    // The failure was reported before the choice window.
    QVERIFY((*dialogs_)->asked.size() >= 2);
    QVERIFY2((*dialogs_)->asked[1].rfind("dialog: ", 0) == 0, (*dialogs_)->asked[1].c_str());
  }

  void nothingIsWrittenOutsideTheChosenFolder() {
    const std::string archive = dir_->path().toStdString() + "/evil.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip({{"../evil.txt", "x"}, {"ok.txt", "ok"}}));
    UnzipScript s;
    s.archive = archive;
    s.target = target_.toStdString();
    s.withFolders = true;
    RunUnzip(s, **dialogs_);
    QCOMPARE(FilesUnder(dir_->path()), (QStringList{"evil.zip", "out/ok.txt"}));
    // Not a plain "Finish" (in Latvian): one of the two files was refused.
    const std::string last = (*dialogs_)->asked.back();
    QVERIFY2(last.rfind("dialog: Pabeigts\n", 0) == 0 && last.find("(1 / 2)") != std::string::npos, last.c_str());
  }

  // What goes wrong between choosing and extracting is reported, and the
  // closing message does not read as a success.
  // Flat, two files of one name, or a file already in the folder: nothing
  // is replaced without a question, and in a flat extraction both may stay.
  void replacingAsksFirst_data() {
    QTest::addColumn<bool>("existing");       // a.txt is in the folder before
    QTest::addColumn<QList<int>>("answers");  // to the questions, in turn
    QTest::addColumn<QStringList>("files");   // "name=content", sorted
    QTest::addColumn<int>("questions");
    QTest::newRow("keep both") << false << QList<int>{orn::kMrKeepBoth}
                               << QStringList{"KONTI (2).DB=new", "KONTI.DB=old", "a.txt=a"} << 1;
    QTest::newRow("yes") << false << QList<int>{orn::kMrYes} << QStringList{"KONTI.DB=new", "a.txt=a"} << 1;
    QTest::newRow("no") << false << QList<int>{orn::kMrNo} << QStringList{"KONTI.DB=old", "a.txt=a"} << 1;
    QTest::newRow("cancel") << false << QList<int>{orn::kMrCancel} << QStringList{"KONTI.DB=old"} << 1;
    QTest::newRow("yes to all") << true << QList<int>{orn::kMrYesToAll} << QStringList{"KONTI.DB=new", "a.txt=a"} << 1;
    QTest::newRow("no to all") << true << QList<int>{orn::kMrNoToAll} << QStringList{"KONTI.DB=old", "a.txt=mine"} << 1;
  }
  void replacingAsksFirst() {
    QFETCH(bool, existing);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, files);
    QFETCH(int, questions);
    const std::string archive = dir_->path().toStdString() + "/years.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip({{"2025/KONTI.DB", "old"}, {"2026/KONTI.DB", "new"}, {"a.txt", "a"}}));
    if (existing) ziptest::WriteFile(target_.toStdString() + "/a.txt", "mine");
    for (int answer : answers) (*dialogs_)->messageDialogAnswers.push_back(answer);
    UnzipScript s;
    s.archive = archive;
    s.target = target_.toStdString();
    RunUnzip(s, **dialogs_);
    QStringList found;
    for (const QString& name : FilesUnder(target_))
      found << name + "=" + QString::fromStdString(ziptest::ReadFile(target_.toStdString() + "/" + name.toStdString()));
    QCOMPARE(found, files);
    int asked = 0;
    for (const std::string& q : (*dialogs_)->asked)
      asked += q.find("KONTI.DB") != std::string::npos ||
               (q.find("a.txt") != std::string::npos && q.rfind("dialog: Pabeigts", 0) != 0);
    QCOMPARE(asked, questions);
  }

  void failuresAreReported_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("closing");
    QTest::newRow("archive removed after listing") << 0 << "Pabeigts\n";
    QTest::newRow("folder replaced by a file") << 1 << "Direktorija nav atrasta:\n";
    QTest::newRow("archive overwritten with junk") << 2 << "Pabeigts\n";
    if (QFileInfo("/proc/self").isDir())
      QTest::newRow("a folder nobody can write to") << 3 << "Direktorijā nevar ierakstīt failus:\n";
  }
  void failuresAreReported() {
    QFETCH(int, fault);
    QFETCH(QString, closing);
    const std::string archive = dir_->path().toStdString() + "/set.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip(kEntries));
    UnzipScript s;
    s.archive = archive;
    // /proc refuses new files even to the administrator.
    s.target = fault == 3 ? "/proc/self" : target_.toStdString();
    const QString target = target_;
    s.beforeExtract = [fault, archive, target] {
      if (fault == 0) QFile::remove(QString::fromStdString(archive));
      if (fault == 1 || fault == 3) {
        QDir(target).removeRecursively();
        ziptest::WriteFile(target.toStdString(), "not a folder");
      }
      if (fault == 2) ziptest::WriteFile(archive, std::string(300, 'x'));
    };
    RunUnzip(s, **dialogs_);
    const auto& asked = (*dialogs_)->asked;
    std::string all;
    for (const std::string& a : asked) all += a + " | ";
    const std::string last = asked.back();
    QVERIFY2(last.rfind("dialog: " + closing.toStdString(), 0) == 0, all.c_str());
    if (fault == 1 || fault == 3) {
      QVERIFY(last.find(s.target) != std::string::npos);
    } else {
      // The engine said what failed before the closing message counted it.
      QVERIFY2(asked.size() >= 4 && last.find("(0 / 3)") != std::string::npos, all.c_str());
    }
    QVERIFY(!QFileInfo(target_).isDir() || FilesUnder(target_).isEmpty());
  }

  // The choice window opens over the window that opened the unzip window
  // (which is not shown yet), not in a corner of the screen; both lists of
  // the unzip window are named by their headings for a screen reader.
  void choiceWindowOpensOverItsOpener() {
    const std::string archive = dir_->path().toStdString() + "/set.zip";
    ziptest::WriteFile(archive, ziptest::MakeZip(kEntries));
    QWidget opener;
    opener.setGeometry(300, 200, 700, 500);
    opener.show();
    QVERIFY(QTest::qWaitForWindowExposed(&opener));
    (*dialogs_)->openFiles.push_back(archive);
    QPoint choiceCentre;
    WhenModal<TFormBefPars>([&](TFormBefPars* w) {
      choiceCentre = w->geometry().center();
      w->accept();
    });
    QStringList names;
    WhenModal<TfrmSimplyZIP>([&](TfrmSimplyZIP* w) {
      for (const char* list : {"Box", "DirectoryListBox1"})
        names << QAccessible::queryAccessibleInterface(Child<QWidget>(w, list))->text(QAccessible::Name);
      w->close();
    });
    TfrmSimplyZIP window(&opener);
    QVERIFY(window.Execute());
    QVERIFY2((choiceCentre - opener.frameGeometry().center()).manhattanLength() < 8,
             qPrintable(QString("%1,%2").arg(choiceCentre.x()).arg(choiceCentre.y())));
    QCOMPARE(names, (QStringList{QString::fromUtf8("Arhīva faili"), QString::fromUtf8("Izvilkt direktorijā")}));
  }

  // Enter in the unzip window's choice windows presses the default button
  // wherever the focus stands, as in a desktop dialog: the choice window's
  // OK, and in the question before a file is replaced, Yes.
  void enterPressesTheDefault_data() {
    QTest::addColumn<QString>("focus");  // the control with the focus ("Replace" for the question)
    QTest::addColumn<bool>("allFiles");  // the choice window's answer
    QTest::newRow("choice: all files") << "OrnLabVisif" << true;
    QTest::newRow("choice: chosen files") << "OrnLabIzvelF" << false;
    QTest::newRow("choice: with folders") << "OrnRadioPaDirKakNado" << true;
    QTest::newRow("choice: OK") << "OrnButtOK" << true;
    QTest::newRow("replace question") << "Replace" << true;
  }
  void enterPressesTheDefault() {
    QFETCH(QString, focus);
    QFETCH(bool, allFiles);
    if (focus == "Replace") {
      // Asked while the unzip window, which sees every key first, is open.
      TfrmSimplyZIP window;
      window.show();
      WhenModal<QDialog>([](QDialog* question) {
        QTest::keyClick(question->focusWidget() ? question->focusWidget() : question, Qt::Key_Return);
      });
      const unsigned buttons =
          orn::kBtnYes | orn::kBtnYesToAll | orn::kBtnNo | orn::kBtnNoToAll | orn::kBtnKeepBoth | orn::kBtnCancel;
      QCOMPARE(MessageDialog("Replace?", "", orn::DialogType::Confirmation, buttons), orn::kMrYes);
      return;
    }
    TFormBefPars choice;
    choice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&choice));
    QWidget* target = Child<QWidget>(&choice, qPrintable(focus));
    if (auto* radio = qobject_cast<TOrnRadioButton*>(target)) {
      Check(&choice, qPrintable(focus));
      target = radio->FocusHolder();
    }
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(choice.result(), int(QDialog::Accepted));
    QVERIFY(!choice.isVisible());
    QCOMPARE(choice.AllFiles(), allFiles);
  }

  // An AES archive: the engine's password window asks, says when the last
  // answer was wrong, and without the password nothing is written and the
  // closing message says why.
  void aesPasswordIsAsked_data() {
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<bool>("dictionary");  // the engine's and the library's texts from the dictionary
    QTest::addColumn<QString>("wrongAgain");
    QTest::addColumn<QString>("why");
    const QString english = "The password is wrong. Enter the password:";
    QTest::newRow("wrong, then right") << QStringList{"wrong", "right"} << QStringList{"a.txt", "b.txt"} << false
                                       << english << "";
    QTest::newRow("wrong three times") << QStringList{"x", "y", "z"} << QStringList{} << false << english
                                       << "Wrong password";
    QTest::newRow("wrong three times, in Latvian")
        << QStringList{"x", "y", "z"} << QStringList{} << true
        << QString::fromUtf8("Parole ir nepareiza. Ievadiet paroli:") << QString::fromUtf8("Nepareiza parole");
  }
  void aesPasswordIsAsked() {
    QFETCH(QStringList, answers);
    QFETCH(QStringList, written);
    QFETCH(bool, dictionary);
    QFETCH(QString, wrongAgain);
    QFETCH(QString, why);
    if (dictionary) UseDictionaryForZipMessages();
    struct English {
      ~English() { orn::SetZipMessageTexts(nullptr); }
    } english;
    const std::string src = dir_->path().toStdString() + "/src/";
    ziptest::WriteFile(src + "a.txt", "alpha");
    ziptest::WriteFile(src + "b.txt", "beta");
    const std::string archive = dir_->path().toStdString() + "/aes.zip";
    {
      TZipEngine maker;
      maker.SetUnattended(true);
      maker.SetAddOptions({AddEncrypt});
      maker.SetPassword("right");
      maker.SetAddAesKeyBits(128);
      maker.SetZipFileName(archive);
      maker.FSpecArgs = {src + "a.txt", src + "b.txt"};
      maker.Add();
      QCOMPARE(maker.SuccessCount(), 2);
    }
    for (const QString& answer : answers) (*dialogs_)->passwords.push_back(answer.toStdString());
    UnzipScript s;
    s.archive = archive;
    s.target = target_.toStdString();
    RunUnzip(s, **dialogs_);
    QCOMPARE(FilesUnder(target_), written);
    const auto& asked = (*dialogs_)->asked;
    std::string all;
    for (const std::string& a : asked) all += a + " | ";
    QVERIFY2(std::count(asked.begin(), asked.end(), "password: " + wrongAgain.toStdString()) == answers.size() - 1,
             all.c_str());
    if (written.isEmpty()) {
      QVERIFY2(asked.back().rfind("dialog: Pabeigts\n", 0) == 0 && asked.back().find("(0 / 2)") != std::string::npos &&
                   asked.back().find(why.toStdString()) != std::string::npos,
               all.c_str());
      // Each file left out is named once, with why.
      for (const char* name : {"a.txt", "b.txt"}) {
        const std::string& finish = asked.back();
        const std::size_t first = finish.find(name);
        QVERIFY2(first != std::string::npos && finish.find(name, first + 1) == std::string::npos, finish.c_str());
      }
    } else {
      QCOMPARE(QString::fromStdString(asked.back()), QString("dialog: Pabeigts"));
      QCOMPARE(ziptest::ReadFile(target_.toStdString() + "/a.txt"), std::string("alpha"));
    }
  }

  // The main window's tool button, its menu item and Help > About open the
  // windows (the file dialog is cancelled here).
  void mainWindowOpensThem() {
    TArchivatorWindow main({});
    (*dialogs_)->openFiles = {std::nullopt, std::nullopt};
    QTest::mouseClick(Child<QToolButton>(&main, "SpeedButton77"), Qt::LeftButton);
    Child<QAction>(&main, "Unzip1")->trigger();
    // The file dialog's title speaks the window's language.
    QCOMPARE((*dialogs_)->asked, (std::vector<std::string>{"open: Atvērt ZIP failu", "open: Atvērt ZIP failu"}));
    bool aboutShown = false;
    WhenModal<TFormA>([&](TFormA* about) {
      aboutShown = true;
      QTest::mouseClick(Child<QPushButton>(about, "LOKBU"), Qt::LeftButton);
    });
    Child<QAction>(&main, "About2")->trigger();
    QVERIFY(aboutShown);
  }

  void aboutWindow() {
    TFormA about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* hp = Child<TOrnLabel>(&about, "HP");
    auto* at = Child<TOrnLabel>(&about, "AT");
    QVERIFY(hp->text().contains("ombrelant"));
    QCOMPARE(at->accessibleName(), at->text());

    // Underlined only while the mouse is over a link.
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(hp, &enter);
    QVERIFY(hp->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(hp, &leave);
    QVERIFY(!hp->font().underline());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "Open");
    QTest::mouseClick(hp, Qt::LeftButton);
    QTest::mouseClick(at, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    QCOMPARE(catcher.opened, (QList<QUrl>{QUrl(TFormA::HomePage()), QUrl("mailto:" + TFormA::MailAddress())}));

    QTest::mouseClick(Child<QPushButton>(&about, "LOKBU"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  // Ctrl+K in each window opens one calculator over it; a number computed
  // there goes back into the window's focused edit when it has one.
  void calculatorInEveryWindow_data() {
    QTest::addColumn<int>("window");
    const char* names[] = {"main window",   "add files", "archive chooser", "file chooser", "unzip window",
                           "unzip choices", "About"};
    for (int i = 0; i < 7; ++i) QTest::newRow(names[i]) << i;
  }
  void calculatorInEveryWindow() {
    QFETCH(int, window);
    orn::Job job;
    orn::FileChooserModel model({"KONTI.DB"}, [](const std::string&) { return false; });
    std::unique_ptr<TOrnForm> form;
    switch (window) {
      case 0:
        form = std::make_unique<TMainForm>(std::vector<std::string>{});
        break;
      case 1:
        form = std::make_unique<TAddForm>(dir_->path().toStdString());
        break;
      case 2:
        form = std::make_unique<TFormUnarh>(job);
        break;
      case 3:
        form = std::make_unique<TFormUnAr>(model);
        break;
      case 4:
        form = std::make_unique<TfrmSimplyZIP>();
        break;
      case 5:
        form = std::make_unique<TFormBefPars>();
        break;
      case 6:
        form = std::make_unique<TFormA>();
        break;
    }
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QLineEdit* edit = nullptr;
    for (QLineEdit* e : form->findChildren<QLineEdit*>())
      if (e->isVisible() && e->isEnabled() && !e->isReadOnly()) {
        edit = e;
        break;
      }
    if (edit) {
      edit->setFocus();
      edit->setText("6");
    }
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != form.get()) focus = form.get();

    QWidget* over = nullptr;
    int secondBeeps = 0;
    WhenCalculatorOpen([&](TFormCalcul& calc) {
      over = calc.parentWidget();
      const int before = TFormCalcul::BeepCount();
      QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &calc;
      QTest::keyClick(target, Qt::Key_K, Qt::ControlModifier);
      secondBeeps = TFormCalcul::BeepCount() - before;
      for (char c : std::string("*7=")) QTest::keyClick(QApplication::focusWidget(), c);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
    });
    QTest::keyClick(focus, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(over, form.get());
    QCOMPARE(secondBeeps, 1);
    QVERIFY(!TFormCalcul::Current());
    if (edit) QCOMPARE(edit->text(), QString("42"));
  }

  void calculatorOverTheMarkingWindow() {
    orn::Job job;
    job.registerFile = dir_->path().toStdString() + "/SprFiles.db";
    orn::test::MakeRegister(job.registerFile, {{"KONTI.DB", "BUHDATA", "Konti", "", true}});
    QWidget* over = nullptr;
    TfrmSPRAdmin* marking = nullptr;
    WhenModal<TfrmSPRAdmin>([&](TfrmSPRAdmin* w) {
      marking = w;
      WhenCalculatorOpen([&](TFormCalcul& calc) { over = calc.parentWidget(); });
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus && focus->window() == w ? focus : w, Qt::Key_K, Qt::ControlModifier);
    });
    QWidget host;
    orn::MarkRegisterFromWindow(&host, job);
    QVERIFY(marking);
    QCOMPARE(over, static_cast<QWidget*>(marking));
  }

  // Every control that takes the focus tells assistive technology its name.
  void controlsAreNamed_data() {
    QTest::addColumn<int>("window");
    const char* names[] = {"calculator", "unzip window", "unzip choices", "About"};
    for (int i = 0; i < 4; ++i) QTest::newRow(names[i]) << i;
  }
  void controlsAreNamed() {
    QFETCH(int, window);
    std::unique_ptr<TOrnForm> form;
    switch (window) {
      case 0:
        form = std::make_unique<TFormCalcul>();
        break;
      case 1:
        form = std::make_unique<TfrmSimplyZIP>();
        break;
      case 2:
        form = std::make_unique<TFormBefPars>();
        break;
      case 3:
        form = std::make_unique<TFormA>();
        break;
    }
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
      if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus || w->inherits("QScrollBar")) continue;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << w->objectName() + ":" + w->metaObject()->className();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
  }

  void noCalculatorOverAQuestion() {
    TfrmMessager messager;
    messager.show();
    messager.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&messager));
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &messager;
    QTest::keyClick(focus, Qt::Key_K, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY(!TFormCalcul::Current());
  }

 private:
  QTemporaryDir workDir_;
  std::unique_ptr<ziptest::InstalledDialogs> dialogs_;
  std::unique_ptr<QTemporaryDir> dir_;
  QString target_;
};

QTEST_MAIN(UnzipAboutTest)
#include "UnzipAboutTest.moc"
