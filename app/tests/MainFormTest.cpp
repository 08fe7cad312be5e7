// The main window driven as a user drives it: typing into its fields, using
// its menus and buttons, answering its dialogs (scripted), and starting it
// from a command line.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "FileSystem.h"
#include "FrameworkState.h"
#include "JobFile.h"
#include "JobGrid.h"
#include "MainUnit.h"
#include "QtDialogService.h"
#include "RecentJobs.h"
#include "ScriptedDialogService.h"
#include "UnitMessanger.h"

namespace {

// The main window with its archive and extraction actions recorded.
class RecordingMainForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  std::vector<std::string> ran;
  QWidget* focusDuringRun = nullptr;
  // What a refresh in the middle of the run left enabled.
  std::vector<std::string> enabledDuringRun;

 protected:
  int RunArchive() override {
    // As the real run does: the window is busy while the progress window
    // lets events run.
    RunWhileBusy([this] {
      focusDuringRun = QApplication::focusWidget();
      RefreshWindow();
      for (const char* name : {"SBNew", "SBOpen", "SBSave", "SpeedButton10", "SpeedButton8", "SpeedButton5"})
        if (findChild<QToolButton*>(name)->isEnabled()) enabledDuringRun.push_back(name);
      for (const char* name : {"New1", "Add1", "Extract1", "RefreshDB1"})
        if (findChild<QAction*>(name)->isEnabled()) enabledDuringRun.push_back(name);
      Record("ARHIV");
      return true;
    });
    return orn::kCommandDone;
  }
  int ExtractChosen() override { return Record("UNARHIV"); }
  int ExtractWhole() override { return Record("UNARHIVALL"); }

 private:
  int Record(const char* what) {
    ran.push_back(what);
    return orn::kCommandDone;
  }
};

// Records the addresses the desktop would open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  explicit UrlRecorder(QStringList* opened) : opened_(opened) {}
 public slots:
  void Open(const QUrl& url) { *opened_ << url.toLocalFile(); }

 private:
  QStringList* opened_;
};

template <typename T>
T* Find(QObject* form, const char* name) {
  T* found = form->findChild<T*>(name);
  if (!found) qFatal("no component %s", name);
  return found;
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

  // Job files live in jobs/, archives in arch/, the register in reg/; the
  // current directory (cwd/) holds nothing, so that no stray file there
  // counts as an archive.
  std::string Path(const char* name) const { return dir_->filePath(QString("jobs/") + name).toStdString(); }
  std::string Sub(const char* name) const { return dir_->filePath(name).toStdString(); }

  // A job file written with the given settings; returns its path.
  std::string MakeJob(const char* name, const std::function<void(orn::Job&)>& setup) {
    orn::Job job;
    setup(job);
    orn::WriteJobFile(job, Path(name));
    return Path(name);
  }

 private slots:
  void initTestCase() {
    // The recent jobs go to a test folder, not the user's own.
    QStandardPaths::setTestModeEnabled(true);
    // Without a language in Params.ini the windows speak the locale's; these
    // windows are looked at in Latvian, the program's first language.
    qputenv("LC_ALL", "lv_LV.UTF-8");
  }

  void init() {
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/recent-jobs.txt");
    dir_ = std::make_unique<QTemporaryDir>();
    for (const char* sub : {"jobs", "arch", "reg", "cwd"}) QDir(dir_->path()).mkdir(sub);
    QDir::setCurrent(dir_->filePath("cwd"));
    auto scripted = std::make_unique<orn::ScriptedDialogService>();
    dialogs_ = scripted.get();
    orn::SetDialogs(std::move(scripted));
  }
  void cleanup() {
    orn::SetDialogs(nullptr);
    dialogs_ = nullptr;
  }

  void archiveNameRules() {
    TMainForm form({MakeJob("job.arh", [](orn::Job&) {})});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* edit1 = Find<QLineEdit>(&form, "Edit1");
    edit1->setFocus();
    edit1->insert("Buh.2005");  // pasted
    QCOMPARE(edit1->text(), QString("Buh"));
    QCOMPARE(form.CurrentJob().archiveName, std::string("Buh"));
    edit1->clear();
    QTest::keyClicks(edit1, "Buh.2005");  // typed: the dot never stays
    QCOMPARE(edit1->text(), QString("Buh2005"));

    edit1->clear();
    QTest::keyClicks(edit1, "Buh(1)");
    QCOMPARE(edit1->text(), QString("Buh(1)"));
    QTest::keyClick(edit1, Qt::Key_Tab);  // leave the field
    QCOMPARE(edit1->text(), QString("Buh[1]"));
    QCOMPARE(form.CurrentJob().archiveName, std::string("Buh[1]"));

    // Enter moves on like Tab, Shift+Enter back.
    edit1->setFocus();
    QTest::keyClick(edit1, Qt::Key_Return);
    QVERIFY(Find<QLineEdit>(&form, "Edit2")->hasFocus());
    QTest::keyClick(Find<QLineEdit>(&form, "Edit2"), Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(edit1->hasFocus());
  }

  void volumeSizeField() {
    TMainForm form({MakeJob("job.arh", [](orn::Job& j) {
      j.volumesOn = true;
      j.volumeSize = 1400;
    })});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* edit3 = Find<QLineEdit>(&form, "Edit3");
    QCOMPARE(edit3->text(), QString("1.4"));
    QCOMPARE(form.ZipOptionsForRun().maxVolumeSize, 1400000);
    QVERIFY(form.ZipOptionsForRun().addVolume && form.ZipOptionsForRun().addDiskSpan);

    Find<QAction>(&form, "FlopItem1")->trigger();  // "1.44 MB (FDD)"
    QCOMPARE(edit3->text(), QString("1.36"));
    QCOMPARE(form.CurrentJob().volumeSize, 1360);

    edit3->setFocus();
    edit3->selectAll();
    QTest::keyClicks(edit3, "0.05");
    QTest::keyClick(edit3, Qt::Key_Return);
    QVERIFY(!form.CurrentJob().volumesOn);
    QCOMPARE(form.CurrentJob().volumeSize, 0);
    QVERIFY(!Find<QCheckBox>(&form, "CheckBox1")->isChecked());
    QVERIFY(!Find<QWidget>(&form, "OrnGroupBox2")->isEnabled());
    QVERIFY(!form.ZipOptionsForRun().addVolume);

    // Letters switch volumes off when the edit is left.
    Find<QCheckBox>(&form, "CheckBox1")->click();
    QVERIFY(form.CurrentJob().volumesOn);
    Find<QAction>(&form, "FlopItem2")->trigger();
    edit3->setFocus();
    edit3->selectAll();
    QTest::keyClicks(edit3, "abc");
    Find<QCheckBox>(&form, "CheckBox1")->setFocus();
    QVERIFY(!form.CurrentJob().volumesOn);
    QCOMPARE(form.CurrentJob().volumeSize, 0);
    QCOMPARE(edit3->text(), QString("0"));
  }

  void saveAsWritesACopyAndKeepsThePath() {
    const std::string original = MakeJob("job.arh", [](orn::Job& j) { j.archiveName = "Buh"; });
    TMainForm form({original});
    dialogs_->saveFiles.push_back(Path("copy"));
    QTest::mouseClick(Find<QToolButton>(&form, "SpeedButton4"), Qt::LeftButton);
    QVERIFY(orn::FileExists(Path("copy.arh")));
    QCOMPARE(orn::ReadJobFile(Path("copy.arh"), orn::Job()).archiveName, std::string("Buh"));
    QCOMPARE(form.CurrentJob().jobFilePath, original);
  }

  void newAsksAboutChangesAndACancelledDialogLeavesNoJob() {
    TMainForm form({MakeJob("job.arh", [](orn::Job& j) { j.jobList = {"/data/a.txt"}; })});
    QTest::mouseClick(Find<QRadioButton>(&form, "WEK"), Qt::LeftButton);
    QVERIFY(!form.CurrentJob().saved);
    dialogs_->messageDialogAnswers.push_back(orn::kMrYes);  // save the changes
    dialogs_->saveFiles.push_back(std::nullopt);
    QTest::mouseClick(Find<QToolButton>(&form, "SBNew"), Qt::LeftButton);
    QCOMPARE(orn::ReadJobFile(Path("job.arh"), orn::Job()).uniqueScheme, 'W');
    QVERIFY(!form.CurrentJob().IsOpen());
    QVERIFY(!Find<QToolButton>(&form, "SpeedButton10")->isEnabled());
    QVERIFY(!Find<QToolButton>(&form, "SBSave")->isEnabled());
    QCOMPARE(Find<QTableWidget>(&form, "List")->item(0, 0), nullptr);

    dialogs_->saveFiles.push_back(Path("fresh"));
    QTest::mouseClick(Find<QToolButton>(&form, "SBNew"), Qt::LeftButton);
    QCOMPARE(form.CurrentJob().jobFilePath, Path("fresh.arh"));
    QCOMPARE(form.CurrentJob().uniqueFolder, std::string());
    QVERIFY(orn::FileExists(Path("fresh.arh")));
    QVERIFY(Find<QToolButton>(&form, "SBSave")->isEnabled());
  }

  void openingAForeignFileKeepsTheJob() {
    const std::string job = MakeJob("job.arh", [](orn::Job& j) { j.archiveName = "Buh"; });
    TMainForm form({job});
    orn::WriteFileAtomically(Path("photo.arh"), std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    dialogs_->openFiles.push_back(Path("photo.arh"));
    QTest::mouseClick(Find<QToolButton>(&form, "SBOpen"), Qt::LeftButton);
    QCOMPARE(form.CurrentJob().jobFilePath, job);
    QCOMPARE(form.CurrentJob().archiveName, std::string("Buh"));
    QCOMPARE(dialogs_->asked.back().rfind("error: ", 0), 0u);
    QVERIFY(dialogs_->asked.back().find("photo.arh") != std::string::npos);
  }

  void enablingFollowsTheJob_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("save");     // SBSave, SpeedButton4, menus
    QTest::addColumn<bool>("archive");  // SpeedButton10
    QTest::addColumn<bool>("addMenu");  // menu "Add": the same run as its button
    QTest::addColumn<bool>("extract");  // SpeedButton8 / 9
    QTest::addColumn<bool>("mark");     // SpeedButton5
    QTest::addColumn<int>("gridRows");
    QTest::newRow("no job") << "none" << false << false << false << false << false << 1;
    QTest::newRow("empty job") << "empty" << true << false << false << false << false << 1;
    // Without a name every file of the archive directory counts as an archive.
    QTest::newRow("list, no archive name") << "list-noname" << true << true << true << true << false << 2;
    QTest::newRow("job with register") << "register" << true << true << true << false << true << 1;
    QTest::newRow("list, no directory") << "list-nodir" << true << true << true << false << false << 2;
    QTest::newRow("archives present") << "archived" << true << true << true << true << false << 2;
    // Only unique saves left: exactly when a restore is needed.
    QTest::newRow("unique saves only") << "unique" << true << true << true << true << false << 2;
  }
  void enablingFollowsTheJob() {
    QFETCH(QString, state);
    QFETCH(bool, save);
    QFETCH(bool, archive);
    QFETCH(bool, addMenu);
    QFETCH(bool, extract);
    QFETCH(bool, mark);
    QFETCH(int, gridRows);
    const std::string dir = Sub("arch") + "/";
    orn::WriteFileAtomically(Sub("reg/SprFiles.db"), "x");
    orn::WriteFileAtomically(Sub("arch/Buh001.zip"), "x");
    std::vector<std::string> args;
    if (state != "none") {
      args.push_back(MakeJob("job.arh", [&](orn::Job& j) {
        j.archiveDirectory = dir;
        if (state == "register") j.registerFile = Sub("reg/SprFiles.db");
        if (state.startsWith("list") || state == "archived" || state == "unique") {
          j.jobList = {"/data/KONTI.DB", "/data/KONTI.PX", "/data/KONTI.X02", "/data/notes.txt"};
          j.archiveName = state == "list-noname" ? "" : (state == "archived" ? "Buh" : "None");
          if (state == "unique") {
            j.archiveName = "Kase";
            j.uniqueFolder = "Unique";
            orn::ForceDirectories(dir + "Unique");
            orn::WriteFileAtomically(dir + "Unique/Kase(DATE=1,12,2025).zip", "x");
          }
        } else {
          j.archiveName = "None";
        }
        if (state == "list-nodir") j.archiveDirectory.clear();
      }));
    }
    TMainForm form(args);
    // The buttons paint the one rule the unattended commands ask too.
    const orn::JobCommands allowed = form.AllowedCommands();
    QCOMPARE(allowed.editJob, save);
    QCOMPARE(allowed.archive, archive);
    QCOMPARE(allowed.extract, extract);
    QCOMPARE(allowed.markRegister, mark);
    QCOMPARE(Find<QToolButton>(&form, "SBSave")->isEnabled(), save);
    QCOMPARE(Find<QToolButton>(&form, "SpeedButton4")->isEnabled(), save);
    QCOMPARE(Find<QAction>(&form, "Save1")->isEnabled(), save);
    QCOMPARE(Find<QMenu>(&form, "Filelist1")->menuAction()->isEnabled(), save);
    QCOMPARE(Find<QToolButton>(&form, "SpeedButton10")->isEnabled(), archive);
    QCOMPARE(Find<QAction>(&form, "Add1")->isEnabled(), addMenu);
    QCOMPARE(Find<QToolButton>(&form, "SpeedButton8")->isEnabled(), extract);
    QCOMPARE(Find<QToolButton>(&form, "SpeedButton9")->isEnabled(), extract);
    QCOMPARE(Find<QAction>(&form, "Extract1")->isEnabled(), extract);
    QCOMPARE(Find<QToolButton>(&form, "SpeedButton5")->isEnabled(), mark);
    QCOMPARE(Find<QAction>(&form, "RefreshDB1")->isEnabled(), mark);
    QVERIFY(Find<QToolButton>(&form, "SBNew")->isEnabled());
    QVERIFY(Find<QToolButton>(&form, "SBOpen")->isEnabled());
    auto* list = Find<QTableWidget>(&form, "List");
    QCOMPARE(list->rowCount(), gridRows);
    if (gridRows == 2) {  // companion files stay out of the grid
      QCOMPARE(list->item(0, 0)->text(), QString("KONTI.DB"));
      QCOMPARE(list->item(0, 1)->text(), QString("/data/"));
      QCOMPARE(list->item(1, 0)->text(), QString("notes.txt"));
    }
  }

  void companionFilesAreRecognisedByExtension() {
    for (const char* hidden : {"a.PX", "a.mb", "a.VAL", "a.TV", "a.FAM", "a.XG0", "a.yg9", "a.X01", "a.Y99", "a.X0A"})
      QVERIFY2(orn::HiddenInJobGrid(hidden), hidden);
    for (const char* shown : {"a.DB", "a.X00", "a.X1", "a.XG", "a.XGA", "a.X100", "PX", "a.txt"})
      QVERIFY2(!orn::HiddenInJobGrid(shown), shown);
  }

  void commandLines() {
    // A command on a missing job file cannot run: nothing is created and
    // the program ends with status 3, not with an empty job and success.
    {
      RecordingMainForm form({Path("missing (old).arh"), "AUTO", "ARHIV"});
      QVERIFY(!form.Timer()->isActive());
      QTRY_VERIFY(form.Session().EndRequested());
      QCOMPARE(form.Session().ExitStatus(), orn::kCommandNotRun);
      QVERIFY(!orn::FileExists(Path("missing (old).arh")));
      QVERIFY(form.ran.empty());
    }
    // Without a command a missing job file becomes a new job; the window
    // stays open for the person to fill it in, even with AUTO.
    {
      RecordingMainForm form({Path("missing.arh"), "AUTO"});
      QVERIFY(form.Timer()->isActive());
      QCOMPARE(form.Timer()->interval(), 3000);
      form.Timer1Timer();
      QVERIFY(!form.Timer()->isActive());
      QVERIFY(orn::FileExists(Path("missing.arh")));
      QCOMPARE(form.CurrentJob().jobFilePath, Path("missing.arh"));
      QCOMPARE(Find<QLabel>(&form, "RX")->text(), QString::fromStdString(Path("missing.arh")));
      QVERIFY(!form.CurrentJob().saved);
      QVERIFY(!form.Session().EndRequested());
      QCOMPARE(form.Session().ExitStatus(), 0);
      QVERIFY(form.ran.empty());
    }
    // job, "auto", "arhiv": the archive run, then the end without a question.
    const std::string job = MakeJob("job.arh", [this](orn::Job& j) {
      j.jobList = {"/data/a.txt"};
      j.archiveDirectory = Sub("arch") + "/";  // no archives there yet
      j.archiveName = "Buh";
    });
    {
      RecordingMainForm form({job, "auto", "arhiv", "doshowmessages"});
      QVERIFY(form.Session().ShowMessages());
      form.Timer1Timer();
      QCOMPARE(form.ran, std::vector<std::string>{"ARHIV"});
      QVERIFY(form.Session().EndRequested());
      QCOMPARE(form.Session().ExitStatus(), 0);
      QVERIFY(dialogs_->asked.empty());
    }
    // A command whose button is disabled does nothing; AUTO still ends, with a failure status.
    {
      RecordingMainForm form({job, "AUTO", "UNARHIVALL"});
      form.Timer1Timer();
      QVERIFY(form.ran.empty());
      QVERIFY(form.Session().EndRequested());
      QCOMPARE(form.Session().ExitStatus(), orn::kCommandNotRun);
    }
    // Without a command no timer starts, even with AUTO.
    {
      RecordingMainForm form({job, "AUTO"});
      QVERIFY(!form.Timer()->isActive());
      QCOMPARE(form.CurrentJob().jobList.size(), size_t(1));
    }
    // An existing job with NEW is rewritten as an empty job.
    {
      RecordingMainForm form({job, "AUTO", "NEW"});
      form.Timer1Timer();
      QVERIFY(orn::ReadJobFile(job, orn::Job()).jobList.empty());
      QCOMPARE(form.Session().ExitStatus(), 0);
    }
  }

  void closingAsksAboutUnsavedChanges() {
    const std::string job = MakeJob("job.arh", [](orn::Job&) {});
    TMainForm form({job});
    form.show();
    QTest::mouseClick(Find<QRadioButton>(&form, "edm"), Qt::LeftButton);
    dialogs_->messageDialogAnswers.push_back(orn::kMrYes);
    QVERIFY(form.close());
    QCOMPARE(dialogs_->asked.size(), size_t(1));
    QCOMPARE(dialogs_->asked[0].rfind("dialog: ", 0), 0u);
    QCOMPARE(orn::ReadJobFile(job, orn::Job()).rotationScheme, 'M');
  }

  void hintsShowInTheStatusBar() {
    TMainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QToolButton>(&form, "SBOpen"), &enter);
    // The hint may be translated by the dictionary beside the program.
    const QString hint = Find<QToolButton>(&form, "SBOpen")->property("hint").toString();
    QVERIFY(!hint.isEmpty());
    QCOMPARE(Find<QLabel>(&form, "Box")->text(), hint);
    QApplication::sendEvent(Find<QWidget>(&form, "Panel11"), &enter);
    QCOMPARE(Find<QLabel>(&form, "Box")->text(), QString());
  }

  // Every field and check box the user can change: afterwards the job is
  // unsaved, and closing asks before the change is lost.
  void everyEditMarksTheJobUnsaved_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::newRow("archive name") << "Edit1"
                                  << "Buh";
    QTest::newRow("archive path") << "Edit2"
                                  << "/arch";
    QTest::newRow("unique folder") << "Edit4"
                                   << "Unique";
    QTest::newRow("plus path") << "Edit5"
                               << "/copy";
    QTest::newRow("volume size") << "Edit3"
                                 << "2";
    QTest::newRow("volumes") << "CheckBox1"
                             << "";
    QTest::newRow("floppies") << "CheckBox2"
                              << "";
  }
  void everyEditMarksTheJobUnsaved() {
    QFETCH(QString, control);
    QFETCH(QString, typed);
    const std::string job = MakeJob("job.arh", [](orn::Job& j) { j.volumesOn = true; });
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.CurrentJob().saved);
    QWidget* target = Find<QWidget>(&form, control.toUtf8().constData());
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, typed);
      QTest::keyClick(edit, Qt::Key_Tab);
    } else {
      QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
    }
    QVERIFY2(!form.CurrentJob().saved, qPrintable(control));
    dialogs_->messageDialogAnswers.push_back(orn::kMrYes);
    QVERIFY(form.close());
    QCOMPARE(dialogs_->asked.size(), size_t(1));
    const orn::Job written = orn::ReadJobFile(job, orn::Job());
    if (control == "Edit1") QCOMPARE(written.archiveName, std::string("Buh"));
    if (control == "Edit2") QCOMPARE(written.archiveDirectory.rfind("/arch", 0), 0u);
    if (control == "Edit3") QCOMPARE(written.volumeSize, 2000);
    if (control == "CheckBox1") QVERIFY(!written.volumesOn);
    if (control == "CheckBox2") QVERIFY(written.copyToFloppies);
  }

  // The second-copy button offers the remotes of the user's rclone
  // configuration beside the folder chooser; a remote chosen goes into the
  // field as its root, for the user to type the folder after it.
  void plusPathChooserOffersTheRemotes() {
    const QString config = dir_->filePath("rclone.conf");
    orn::WriteFileAtomically(config.toStdString(), "[offsite]\ntype = local\n\n[nas]\ntype = local\n");
    qputenv("RCLONE_CONFIG", config.toUtf8());
    const std::string job = MakeJob("job.arh", [](orn::Job&) {});
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Find<QToolButton>(&form, "SpeedButton6")->click();
    auto* menu = Find<QMenu>(&form, "PlusPathMenu");
    QStringList offered;
    for (QAction* action : menu->actions())
      if (action->isEnabled() && !action->isSeparator()) offered << action->text();
    QCOMPARE(offered.size(), 3);
    QVERIFY(offered.contains("nas:") && offered.contains("offsite:"));
    for (QAction* action : menu->actions())
      if (action->text() == "offsite:") action->trigger();
    auto* edit = Find<QLineEdit>(&form, "Edit5");
    QCOMPARE(edit->text(), QString("offsite:"));
    QTest::keyClicks(edit, "buh");
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!form.CurrentJob().saved);
    dialogs_->messageDialogAnswers.push_back(orn::kMrYes);
    QVERIFY(form.close());
    QCOMPARE(orn::ReadJobFile(job, orn::Job()).plusPath.rfind("offsite:buh", 0), 0u);
    qunsetenv("RCLONE_CONFIG");
  }

  // The save question of closing, New and Open: Yes saves, No drops the
  // change, Cancel keeps the window, the job and the change.
  void saveQuestionOffersCancel() {
    struct Row {
      const char* command;
      int answer;
      bool goesOn;  // the command went ahead
      bool written;
    } rows[] = {
        {"close", orn::kMrYes, true, true},
        {"close", orn::kMrNo, true, false},
        {"close", orn::kMrCancel, false, false},
        {"SBNew", orn::kMrCancel, false, false},
        {"SBOpen", orn::kMrCancel, false, false},
        {"SBOpen", orn::kMrNo, true, false},
        // Open saves through the save dialog; no name chosen keeps the job.
        {"SBOpen", orn::kMrYes, false, false},
    };
    for (const Row& row : rows) {
      const std::string job = MakeJob("job.arh", [](orn::Job& j) { j.archiveName = "Old"; });
      const std::string other = MakeJob("other.arh", [](orn::Job& j) { j.archiveName = "Other"; });
      TMainForm form({job});
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      auto* edit1 = Find<QLineEdit>(&form, "Edit1");
      edit1->selectAll();
      QTest::keyClicks(edit1, "New");
      dialogs_->messageDialogAnswers.push_back(row.answer);
      const std::string what = std::string(row.command) + " " + std::to_string(row.answer);
      if (std::string(row.command) == "close") {
        QVERIFY2(form.close() == row.goesOn, what.c_str());
      } else {
        dialogs_->openFiles.push_back(other);
        dialogs_->saveFiles.push_back(std::nullopt);
        QTest::mouseClick(Find<QToolButton>(&form, row.command), Qt::LeftButton);
        const bool changedJob = form.CurrentJob().jobFilePath != job;
        QVERIFY2(changedJob == row.goesOn, what.c_str());
      }
      if (!row.goesOn) {
        QVERIFY2(form.isVisible(), what.c_str());
        QCOMPARE(edit1->text(), QString("New"));
        QVERIFY(!form.CurrentJob().saved);
      }
      QCOMPARE(orn::ReadJobFile(job, orn::Job()).archiveName, std::string(row.written ? "New" : "Old"));
      form.CurrentJob().saved = true;
      dialogs_->messageDialogAnswers.clear();
      dialogs_->openFiles.clear();
      dialogs_->saveFiles.clear();
    }
  }

  // Yes, but the job file cannot be written (its folder is gone): the user
  // is told, and the window stays with the changes.
  void aJobThatCannotBeWrittenKeepsTheWindow() {
    QDir(dir_->path()).mkpath("jobs/sub");
    const std::string job = MakeJob("sub/job.arh", [](orn::Job& j) { j.archiveName = "Old"; });
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* edit1 = Find<QLineEdit>(&form, "Edit1");
    edit1->selectAll();
    QTest::keyClicks(edit1, "New");
    QVERIFY(QDir(dir_->filePath("jobs/sub")).removeRecursively());
    dialogs_->messageDialogAnswers.push_back(orn::kMrYes);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(dialogs_->asked.back().rfind("error: ", 0), 0u);
    QVERIFY(dialogs_->asked.back().find("job.arh") != std::string::npos);
    QCOMPARE(edit1->text(), QString("New"));
    form.CurrentJob().saved = true;
  }

  // The real question window: Escape and its close box answer Cancel.
  void escapeOnTheSaveQuestionKeepsWindowAndEdits() {
    const std::string job = MakeJob("job.arh", [](orn::Job& j) { j.archiveName = "Old"; });
    orn::SetDialogs(std::make_unique<QtDialogService>());
    dialogs_ = nullptr;
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* edit1 = Find<QLineEdit>(&form, "Edit1");
    edit1->selectAll();
    QTest::keyClicks(edit1, "Typed");
    for (const char* way : {"Escape", "close box"}) {
      QStringList buttons;
      QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget* question = QApplication::activeModalWidget();
        for (QPushButton* b : question->findChildren<QPushButton*>()) buttons << b->objectName();
        if (std::string(way) == "Escape")
          QTest::keyClick(question, Qt::Key_Escape);
        else
          question->close();
      });
      QVERIFY2(!form.close(), way);
      QCOMPARE(buttons, QStringList({"Yes", "No", "Cancel"}));
      QVERIFY(form.isVisible());
      QCOMPARE(edit1->text(), QString("Typed"));
      QCOMPARE(form.CurrentJob().archiveName, std::string("Typed"));
    }
    QCOMPARE(orn::ReadJobFile(job, orn::Job()).archiveName, std::string("Old"));
    form.CurrentJob().saved = true;
  }

  // Delete on the chosen rows of the file list (and the context menu's
  // item) removes them with their tables' companion files; Save keeps that.
  void deletingRowsTakesCompanionsAlong() {
    struct Row {
      const char* what;
      std::vector<int> chosen;  // grid rows
      bool byMenu;
      std::vector<std::string> left;
    } rows[] = {
        {"one file", {0}, false, {"/d/KONTI.DB", "/d/KONTI.PX", "/d/KONTI.MB", "/d/b.txt", "/d/c.txt"}},
        {"a table", {1}, false, {"/d/a.txt", "/d/b.txt", "/d/c.txt"}},
        {"rows apart", {0, 2}, false, {"/d/KONTI.DB", "/d/KONTI.PX", "/d/KONTI.MB", "/d/c.txt"}},
        {"a run of rows by the menu", {1, 2, 3}, true, {"/d/a.txt"}},
    };
    for (const Row& row : rows) {
      const std::string job = MakeJob("job.arh", [](orn::Job& j) {
        j.archiveName = "Buh";
        j.jobList = {"/d/a.txt", "/d/KONTI.DB", "/d/KONTI.PX", "/d/KONTI.MB", "/d/b.txt", "/d/c.txt"};
      });
      TMainForm form({job});
      form.show();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      auto* list = Find<QTableWidget>(&form, "List");
      QCOMPARE(list->rowCount(), 4);  // companions have no row
      list->setFocus();
      list->clearSelection();
      for (int r : row.chosen)
        list->selectionModel()->select(list->model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
      if (row.byMenu) {
        QAction* remove = Find<QAction>(list, "RemoveRows1");
        QVERIFY(list->actions().contains(remove));
        remove->trigger();
      } else {
        QTest::keyClick(list, Qt::Key_Delete);
      }
      QCOMPARE(form.CurrentJob().jobList, row.left);
      QVERIFY2(!form.CurrentJob().saved, row.what);
      QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
      QVERIFY2(form.CurrentJob().saved, row.what);
      QCOMPARE(orn::ReadJobFile(job, orn::Job()).jobList, row.left);
    }
  }

  void droppedFilesAndFoldersJoinTheList() {
    const std::string job = MakeJob("job.arh", [](orn::Job& j) { j.jobList = {"/d/a.txt"}; });
    orn::WriteFileAtomically(Sub("reg/one.txt"), "1");
    orn::ForceDirectories(Sub("reg/sub"));
    orn::WriteFileAtomically(Sub("reg/sub/two.txt"), "2");
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* viewport = Find<QTableWidget>(&form, "List")->viewport();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(Sub("reg/one.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(Sub("reg/sub"))), QUrl("https://example.org/x.txt")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(form.CurrentJob().jobList,
             std::vector<std::string>({"/d/a.txt", Sub("reg/one.txt"), Sub("reg/sub/two.txt")}));
    QVERIFY(!form.CurrentJob().saved);
    // Dropping the same again adds nothing and changes nothing.
    form.CurrentJob().saved = true;
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(form.CurrentJob().jobList.size(), size_t(3));
    QVERIFY(form.CurrentJob().saved);
  }

  void keyboardCommandsAndFocusAfterARun() {
    const std::string job = MakeJob("job.arh", [&](orn::Job& j) {
      j.archiveName = "Buh";
      j.archiveDirectory = Sub("arch/");
      j.jobList = {"/d/a.txt"};
    });
    RecordingMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // Ctrl+S saves; Ctrl+N asks about changes first.
    auto* edit2 = Find<QLineEdit>(&form, "Edit2");
    edit2->setFocus();
    QTest::keyClicks(edit2, "x");
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(orn::ReadJobFile(job, orn::Job()).archiveDirectory.rfind(Sub("arch/x"), 0), 0u);
    // The archive command from the menu: controls are disabled during the
    // run, and afterwards the focus is back in the field, not on "New".
    edit2->setFocus();
    Find<QAction>(&form, "Add1")->trigger();
    QCOMPARE(form.ran, std::vector<std::string>({"ARHIV"}));
    QVERIFY(form.focusDuringRun != edit2);
    // A refresh while the run works enables no command; afterwards they are back.
    QCOMPARE(form.enabledDuringRun, std::vector<std::string>());
    QVERIFY(Find<QToolButton>(&form, "SpeedButton10")->isEnabled());
    QVERIFY(Find<QAction>(&form, "New1")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit2));
    // Menus have mnemonics for Alt.
    for (const char* menu : {"File1", "Filelist1", "Archive1", "Help1"})
      QVERIFY2(Find<QMenu>(&form, menu)->title().contains('&'), menu);
    // Each item of a menu has an access letter of its own.
    for (const char* menu : {"File1", "Filelist1", "Archive1", "Help1"}) {
      QSet<QChar> letters;
      for (QAction* item : Find<QMenu>(&form, menu)->actions()) {
        if (item->isSeparator()) continue;
        const qsizetype at = item->text().indexOf('&');
        QVERIFY2(at >= 0 && at + 1 < item->text().size(), qPrintable(item->text()));
        const QChar letter = item->text().at(at + 1).toLower();
        QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
        letters.insert(letter);
      }
    }
  }

  // F1 opens the shipped guide through the desktop's handler; a missing
  // guide is told to the user, not only to standard error.
  void helpOpensTheUserGuide() {
    QStringList opened;
    UrlRecorder recorder(&opened);
    QDesktopServices::setUrlHandler("file", &recorder, "Open");
    TMainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const std::string guide = TMainForm::UserGuidePath();
    if (guide.empty()) QSKIP("the user guide has not been copied beside the program");
    QTest::keyClick(&form, Qt::Key_F1);
    QTest::mouseClick(Find<QToolButton>(&form, "SpeedButton732"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0].toStdString(), guide);
    // The guide of the chosen language, else the English one.
    const int language = orn::Framework().values.language;
    QVERIFY(guide.ends_with(language == 1   ? "/help/index.lv.html"
                            : language == 2 ? "/help/index.ru.html"
                                            : "/help/index.html"));
    const std::string english = orn::ExtractFilePath(guide) + "index.html";
    const std::string text = *orn::ReadWholeFile(english);
    for (const char* topic : {"Rotation", "unique save", "Volumes", "Restoring", "Exit status", "ORN_ALIASES"})
      QVERIFY2(text.find(topic) != std::string::npos, topic);
    // Each language's guide has every section, the restore statuses
    // included.
    for (const char* name : {"index.html", "index.lv.html", "index.ru.html"}) {
      const std::string guideText = *orn::ReadWholeFile(orn::ExtractFilePath(guide) + name);
      for (const char* section : {"id=\"unzip\"", "id=\"calculator\"", "id=\"language\"", "id=\"keys\"",
                                  "<tr><td>4</td>", "<tr><td>5</td>", "Shift+F10"})
        QVERIFY2(guideText.find(section) != std::string::npos, (std::string(name) + ": " + section).c_str());
    }
  }

  void recentJobsInTheFileMenu() {
    std::vector<std::string> jobs;
    for (const char* name : {"j1.arh", "j2.arh", "j3.arh", "j4.arh", "j5.arh", "j6.arh"})
      jobs.push_back(MakeJob(name, [](orn::Job&) {}));
    for (const std::string& job : jobs) {
      TMainForm opened({job});
    }
    TMainForm form({});
    QMenu* recent = Find<QMenu>(&form, "Recent1");
    QCOMPARE(recent->actions().size(), 5);
    QCOMPARE(recent->actions()[0]->toolTip().toStdString(), jobs[5]);
    // Jobs of one name in two folders are told apart by the folder.
    QCOMPARE(recent->actions()[0]->text(), "&1 j6.arh  (" + dir_->filePath("jobs") + ")");
    QCOMPARE(recent->actions()[4]->toolTip().toStdString(), jobs[1]);
    // Params.ini never holds them.
    if (auto params = orn::ReadWholeFile("Params.ini")) QVERIFY(params->find("j6.arh") == std::string::npos);
    recent->actions()[2]->trigger();
    QCOMPARE(form.CurrentJob().jobFilePath, jobs[3]);
    // A job file gone since: the user is told and the entry leaves the menu.
    QFile::remove(QString::fromStdString(jobs[5]));
    recent = Find<QMenu>(&form, "Recent1");
    recent->actions()[1]->trigger();  // j6 is second now
    QCOMPARE(form.CurrentJob().jobFilePath, jobs[3]);
    QCOMPARE(dialogs_->asked.back().rfind("error: ", 0), 0u);
    QCOMPARE(Find<QMenu>(&form, "Recent1")->actions().size(), 4);
    // A job named relative to the current folder is kept by its full path.
    TMainForm relative({"../jobs/j2.arh"});
    QCOMPARE(Find<QMenu>(&relative, "Recent1")->actions()[0]->toolTip().toStdString(), jobs[1]);
  }

  // A screen reader hears each field by its label, and picture-only
  // buttons by their hint.
  void fieldsCarryTheirLabels() {
    TMainForm form({MakeJob("job.arh", [](orn::Job&) {})});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const std::pair<const char*, const char*> fields[] = {
        {"Edit1", "OrnLabel2"}, {"Edit2", "OrnLabel3"}, {"Edit6", "OrnLabel4"},
        {"Edit4", "OrnLabel5"}, {"Edit5", "OrnLabel6"}, {"List", "OrnLabel9"},
    };
    QStringList heard;
    for (auto [field, label] : fields) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Find<QWidget>(&form, field));
      QVERIFY(a);
      QCOMPARE(a->text(QAccessible::Name), Find<QLabel>(&form, label)->text());
      heard << a->text(QAccessible::Name);
    }
    heard.removeDuplicates();
    QCOMPARE(heard.size(), 6);
    QVERIFY(!form.windowIcon().isNull());
    for (const char* button : {"SpeedButton1", "SpeedButton2", "SpeedButton6"}) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Find<QWidget>(&form, button));
      QVERIFY2(!a->text(QAccessible::Name).isEmpty(), button);
    }
    // The main window is the program's window, not a dialog; the two
    // panels over the schemes are page tabs, the chosen one selected; the
    // status bar is one.
    struct Row {
      QObject* object;
      QAccessible::Role role;
      int selected;  // -1: not a page tab
    } rows[] = {{&form, QAccessible::Window, -1},
                {Find<QWidget>(&form, "PageTabs"), QAccessible::PageTabList, -1},
                {Find<QToolButton>(&form, "Panel9"), QAccessible::PageTab, 1},
                {Find<QToolButton>(&form, "Panel8"), QAccessible::PageTab, 0},
                {Find<QWidget>(&form, "Panel11"), QAccessible::StatusBar, -1},
                {Find<QWidget>(&form, "Panel1"), QAccessible::Grouping, -1}};
    for (const Row& row : rows) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(row.object);
      QVERIFY2(a->role() == row.role, qPrintable(row.object->objectName()));
      if (row.selected >= 0) QCOMPARE(a->state().selected, row.selected == 1);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(&form)->text(QAccessible::Name), form.windowTitle());
    // Choosing the other page by the keyboard: the arrow key moves to its tab.
    Find<QToolButton>(&form, "Panel9")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Find<QToolButton>(&form, "Panel9"), Qt::Key_Right);
    QVERIFY(Find<QToolButton>(&form, "Panel8")->isChecked());
    QVERIFY(QAccessible::queryAccessibleInterface(Find<QToolButton>(&form, "Panel8"))->state().selected);
    QCOMPARE(Find<QStackedWidget>(&form, "PageControl1")->currentIndex(), 1);
  }

  // The keyboard alone: Tab and Shift+Tab leave the file list (the arrows
  // move inside it), Shift+F10 and the Menu key open its menu beside the
  // current row, and the job file's name shows from the start.
  void fileListByKeyboard() {
    const std::string job = MakeJob("keys.arh", [this](orn::Job& j) {
      j.jobList = {Path("arch/a.txt"), Path("arch/b.txt"), Path("arch/c.txt")};
    });
    TMainForm form({job});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(Find<QLabel>(&form, "RX")->text().toStdString(), job);
    auto* list = Find<QTableWidget>(&form, "List");
    struct Row {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool staysInList;
      bool opensMenu;
    } rows[] = {{Qt::Key_Down, Qt::NoModifier, true, false},
                {Qt::Key_Tab, Qt::NoModifier, false, false},
                {Qt::Key_Tab, Qt::ShiftModifier, false, false},
                {Qt::Key_F10, Qt::ShiftModifier, true, true},
                {Qt::Key_Menu, Qt::NoModifier, true, true}};
    for (const Row& row : rows) {
      list->setFocus();
      list->setCurrentCell(0, 0);
      QTest::keyClick(list, row.key, row.modifiers);
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QCOMPARE(menu != nullptr, row.opensMenu);
      if (menu) {
        QVERIFY(menu->actions().contains(Find<QAction>(&form, "RemoveRows1")));
        QVERIFY(
            menu->geometry().contains(list->viewport()->mapToGlobal(list->visualRect(list->currentIndex()).center())));
        menu->close();
      }
      QCOMPARE(list->hasFocus() || menu, row.staysInList);
    }
  }

  // A question whose answers are more than yes and no, by the keyboard:
  // Enter presses the focused button (the default one first), Tab moves on,
  // Escape and the close box give the cancel answer.
  void choiceQuestionByKeyboard() {
    TfrmMessager messager;
    struct Row {
      const char* keys;
      int answer;
    } rows[] = {{"Enter", 0}, {"Tab Enter", 1}, {"Tab Tab Enter", 2}, {"Escape", 2}, {"close", 2}};
    for (const Row& row : rows) {
      QTimer::singleShot(0, [&] {
        QTRY_VERIFY(messager.isVisible());
        // The offscreen platform has no window manager to activate it.
        QApplication::setActiveWindow(&messager);
        for (const QString& key : QString(row.keys).split(' ')) {
          if (key == "close") {
            messager.close();
            break;
          }
          const Qt::Key code = key == "Tab" ? Qt::Key_Tab : key == "Enter" ? Qt::Key_Return : Qt::Key_Escape;
          QTest::keyClick(messager.focusWidget(), code);
        }
      });
      QCOMPARE(
          messager.AskChoice("", "Add to the existing list?", {"Add to the list", "Replace the list", "Cancel"}, 0, 2),
          row.answer);
    }
  }

  void questionWindowAnswersYesOnlyWithItsFirstButton() {
    TfrmMessager messager;
    messager.Prepare("Overwrite?", "Yes", "");
    QVERIFY(Find<QPushButton>(&messager, "BitBtn2")->isHidden());
    struct Row {
      const char* press;  // a button, or a key
      bool answer;
    } rows[] = {{"BitBtn1", true}, {"BitBtn2", false}, {"Escape", false}, {"Enter", true}};
    for (const Row& row : rows) {
      QTimer::singleShot(0, [&] {
        QTRY_VERIFY(messager.isVisible());
        if (std::string(row.press) == "Escape") {
          QTest::keyClick(&messager, Qt::Key_Escape);
        } else if (std::string(row.press) == "Enter") {
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else {
          auto* button = Find<QPushButton>(&messager, row.press);
          button->setFocus();
          QTest::keyClick(button, Qt::Key_Space);
        }
      });
      QVERIFY2(messager.Ask("Save the job?", "Yes", "No") == row.answer, row.press);
    }
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  orn::ScriptedDialogService* dialogs_ = nullptr;
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
