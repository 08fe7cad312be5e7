// The main window driven as a user drives it: typing into its fields, using
// its menus and buttons, answering its dialogs (scripted), and starting it
// from a command line.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "DialogService.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "JobGrid.h"
#include "MainUnit.h"
#include "UnitMessanger.h"

namespace {

// The main window with its archive and extraction actions recorded.
class RecordingMainForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  std::vector<std::string> ran;

 protected:
  bool SpeedButton10Action() override { return Record("ARHIV"); }
  bool SpeedButton9Action() override { return Record("UNARHIV"); }
  bool SpeedButton8Action() override { return Record("UNARHIVALL"); }

 private:
  bool Record(const char* what) {
    ran.push_back(what);
    return true;
  }
};

template <typename T>
T* Find(QWidget* form, const char* name) {
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
  void init() {
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
    dialogs_->questionAnswers.push_back(true);  // save the changes
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
    QTest::addColumn<bool>("addMenu");  // menu "Add"
    QTest::addColumn<bool>("extract");  // SpeedButton8 / 9
    QTest::addColumn<bool>("mark");     // SpeedButton5
    QTest::addColumn<int>("gridRows");
    QTest::newRow("no job") << "none" << false << false << false << false << false << 1;
    QTest::newRow("empty job") << "empty" << true << false << true << false << false << 1;
    // Without a name every file of the archive directory counts as an archive.
    QTest::newRow("list, no archive name") << "list-noname" << true << true << false << true << false << 2;
    QTest::newRow("job with register") << "register" << true << true << true << false << true << 1;
    QTest::newRow("list, no directory") << "list-nodir" << true << true << false << false << false << 2;
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
      QTRY_VERIFY(form.TerminationRequested());
      QCOMPARE(form.ExitStatus(), orn::kCommandNotRun);
      QVERIFY(!orn::FileExists(Path("missing (old).arh")));
      QVERIFY(form.ran.empty());
    }
    // Without a command a missing job file becomes a new job; with AUTO the
    // program ends once it is made.
    {
      RecordingMainForm form({Path("missing.arh"), "AUTO"});
      QVERIFY(form.Timer()->isActive());
      QCOMPARE(form.Timer()->interval(), 3000);
      form.Timer1Timer();
      QVERIFY(!form.Timer()->isActive());
      QVERIFY(orn::FileExists(Path("missing.arh")));
      QCOMPARE(form.CurrentJob().jobFilePath, Path("missing.arh"));
      QVERIFY(!form.CurrentJob().saved);
      QVERIFY(form.TerminationRequested());
      QCOMPARE(form.ExitStatus(), 0);
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
      QVERIFY(form.ShowMessages());
      form.Timer1Timer();
      QCOMPARE(form.ran, std::vector<std::string>{"ARHIV"});
      QVERIFY(form.TerminationRequested());
      QCOMPARE(form.ExitStatus(), 0);
      QVERIFY(dialogs_->asked.empty());
    }
    // A command whose button is disabled does nothing; AUTO still ends, with a failure status.
    {
      RecordingMainForm form({job, "AUTO", "UNARHIVALL"});
      form.Timer1Timer();
      QVERIFY(form.ran.empty());
      QVERIFY(form.TerminationRequested());
      QCOMPARE(form.ExitStatus(), orn::kCommandNotRun);
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
      QCOMPARE(form.ExitStatus(), 0);
    }
  }

  void closingAsksAboutUnsavedChanges() {
    const std::string job = MakeJob("job.arh", [](orn::Job&) {});
    TMainForm form({job});
    form.show();
    QTest::mouseClick(Find<QRadioButton>(&form, "edm"), Qt::LeftButton);
    dialogs_->questionAnswers.push_back(true);
    QVERIFY(form.close());
    QCOMPARE(dialogs_->asked.size(), size_t(1));
    QCOMPARE(dialogs_->asked[0].rfind("question: ", 0), 0u);
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
