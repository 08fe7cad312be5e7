// The archiver's windows driven as a user drives them: the archive and file
// choosers of an extraction, the progress window of an archive run, the
// add-files window with its question, and the register marking window. The
// fake back-end stands in for the zip engine; questions are answered by a
// scripted dialog service.
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "ArchivatorWindow.h"
#include "ArchiverActions.h"
#include "CommandLine.h"
#include "CompanionFiles.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "JobListEdits.h"
#include "Marking.h"
#include "OrnBitBtn.h"
#include "OrnStringGrid.h"
#include "Register.h"
#include "ScriptedDialogService.h"
#include "SourcesTestUtil.h"
#include "SprAdm.h"
#include "Table.h"
#include "UnArh.h"
#include "UnitProgress.h"
#include "WindowTestUtil.h"
#include "ZipEngine.h"
#include "addfiles.h"
#include "funarhf.h"

using orn::test::FakeBackend;
using orn::test::WriteFile;

namespace {

void Click(QWidget* window, const char* buttonName) {
  QTest::mouseClick(Child<QPushButton>(window, buttonName), Qt::LeftButton);
}

// Clicks the grid row `row` (1 = first data row) in column 0.
void ClickRow(TOrnStringGrid* grid, int row) {
  const QRect cell = grid->visualRect(grid->model()->index(row, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void SelectItems(QListWidget* list, const QStringList& texts) {
  list->clearSelection();
  for (const QString& text : texts) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) qFatal("no item %s", qPrintable(text));
    found.front()->setSelected(true);
  }
}

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

std::string Str(const QTemporaryDir& dir) { return dir.path().toStdString() + "/"; }

// An archive of a job with rotating generations in the archive directory
// and unique saves in its unique folder.
struct ArchiveFixture {
  QTemporaryDir dir;
  orn::Job job;
  std::string root;  // the restore lands here instead of "/"

  ArchiveFixture() {
    root = Str(dir) + "restore/";
    job.archiveDirectory = Str(dir) + "arh/";
    job.archiveName = "Buh";
    job.uniqueFolder = "Unique";
    job.jobList = {"/srv/buh/KONTI.DB"};
  }
  void Write(const std::string& relative, const std::vector<std::pair<std::string, std::string>>& entries) {
    orn::ForceDirectories(orn::ExtractFilePath(job.archiveDirectory + relative));
    FakeBackend::WriteArchive(job.archiveDirectory + relative, entries);
  }
};

const std::vector<std::pair<std::string, std::string>> kBuhEntries = {
    {"srv/buh/KONTI.DB", "konti"}, {"srv/buh/konti.px", "index"},  {"srv/buh/Konti.MB", "memo"},
    {"srv/buh/DOKUM.DB", "dokum"}, {"srv/buh/DOKUM.PX", "dindex"}, {"doc/note.txt", "note"},
};

}  // namespace

// Receives the files the desktop would open.
class LogOpener : public QObject {
  Q_OBJECT
 public:
  explicit LogOpener(QStringList* opened) : opened_(opened) {}
 public slots:
  void Open(const QUrl& url) { *opened_ << url.toLocalFile(); }

 private:
  QStringList* opened_;
};

class ArchWinTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void ArchiveChooserWithEmptyRotatingGrid();
  void ChosenTableBringsItsCompanions();
  void IncludeAllThenOkRestoresLikeExtractAll();
  void CancelledChoosersRestoreNothing();
  void ProgressFollowsTheRunAndRefusesASecondRun();
  void ProgressMovesInsideFilesAndWhileVerifying();
  void RunAndRestoreWithTheZipEngine();
  void GatheringErrorIsLoggedAndFreesTheWindows();
  void AddFilesWalksFoldersOnceAndAsksLabAdd();
  void RemovingARowTakesItsCompanions();
  void MarkingWritesOnlyChangedMarks();
  void MainWindowTellsEveryOutcome();
  void ArchiveChooserByKeyboard();
  void CancelLeavesThePreviousGeneration_data();
  void CancelLeavesThePreviousGeneration();
  void CancelStopsTheZipEngine();
  void AddFilesStartsWhereTheJobsFilesAre();

 private:
  QTemporaryDir workDir_;
  orn::ScriptedDialogService* dialogs_ = nullptr;
};

void ArchWinTest::initTestCase() {
  // Without a language in Params.ini the windows speak the locale's; these
  // windows are looked at in Latvian, the program's first language.
  qputenv("LC_ALL", "lv_LV.UTF-8");
  // The form base keeps Params.ini in the current directory.
  QVERIFY(workDir_.isValid());
  QDir::setCurrent(workDir_.path());
}

void ArchWinTest::init() {
  auto scripted = std::make_unique<orn::ScriptedDialogService>();
  dialogs_ = scripted.get();
  orn::SetDialogs(std::move(scripted));
}

void ArchWinTest::cleanup() { orn::SetDialogs(std::make_unique<orn::HeadlessDialogService>()); }

void ArchWinTest::ArchiveChooserWithEmptyRotatingGrid() {
  ArchiveFixture f;
  f.Write("Unique/Buh(DATE=1,12,2025).zip", kBuhEntries);
  f.Write("Unique/Buh(DATE=8,12,2025).zip", kBuhEntries);
  f.Write("Other(Day_1-th).zip", kBuhEntries);  // another job's archive

  TFormUnarh chooser(f.job, "Faili");
  auto* sim = Child<TOrnStringGrid>(&chooser, "simgrid");
  auto* att = Child<TOrnStringGrid>(&chooser, "attgrid");
  auto* ok = Child<TOrnBitBtn>(&chooser, "okbutlis");
  QCOMPARE(Child<QLabel>(&chooser, "Arlabel")->text().toStdString(), f.job.archiveDirectory);
  // No generation: a header and one empty row, disabled.
  QCOMPARE(sim->rowCount(), 2);
  QVERIFY(!sim->isEnabled());
  QVERIFY(sim->Cells(0, 1).isEmpty());
  QCOMPARE(sim->Cells(0, 0), QString("Faili"));
  QCOMPARE(sim->Cells(1, 0), QString("Laiks"));
  // The unique saves, each with its date.
  QVERIFY(att->isEnabled());
  QCOMPARE(att->rowCount(), 3);
  QStringList names = {att->Cells(0, 1), att->Cells(0, 2)};
  names.sort();
  QCOMPARE(names, QStringList({"Buh(DATE=1,12,2025).zip", "Buh(DATE=8,12,2025).zip"}));
  QCOMPARE(att->Cells(1, 1).size(), 10);
  QVERIFY(!ok->isEnabled());
  // A screen reader hears each grid by its heading, in the window's language.
  QCOMPARE(QAccessible::queryAccessibleInterface(sim)->text(QAccessible::Name), QString::fromUtf8("Saglabāšana"));
  QCOMPARE(QAccessible::queryAccessibleInterface(att)->text(QAccessible::Name), QString::fromUtf8("Īpašā saglabāšana"));

  chooser.show();
  QVERIFY(QTest::qWaitForWindowExposed(&chooser));
  ClickRow(att, 2);
  QVERIFY(ok->isEnabled());
  QTest::mouseClick(ok, Qt::LeftButton);
  QVERIFY(chooser.ArchiveChosen());
  QCOMPARE(chooser.ChosenArchive(), f.job.archiveDirectory + "Unique/" + att->Cells(0, 2).toStdString());
}

void ArchWinTest::ChosenTableBringsItsCompanions() {
  ArchiveFixture f;
  f.Write("Buh(Day_3-th).zip", kBuhEntries);
  FakeBackend backend;
  backend.redirectRoot = f.root;

  QStringList shown;
  QWidget mainWindow;
  (new QGroupBox(QString::fromUtf8("Arhīvs"), &mainWindow))->setObjectName("OrnGroupBox1");
  WhenModal<TFormUnarh>([](TFormUnarh* chooser) {
    // The file column is headed by the main window's group caption.
    QCOMPARE(chooser->SimGrid()->Cells(0, 0), QString::fromUtf8("Arhīvs"));
    ClickRow(chooser->SimGrid(), 1);
    Click(chooser, "okbutlis");
  });
  WhenModal<TFormUnAr>([&shown](TFormUnAr* files) {
    auto* saved = Child<QListWidget>(files, "LBSavedFiles");
    shown = Items(saved);
    QVERIFY(!Child<QPushButton>(files, "ExcludeBtn")->isEnabled());
    SelectItems(saved, {"srv/buh/KONTI.DB"});
    Click(files, "IncludeBtn");
    QCOMPARE(Items(Child<QListWidget>(files, "LBUnSaveFiles")), QStringList({"srv/buh/KONTI.DB"}));
    QVERIFY(Child<QPushButton>(files, "ExcludeBtn")->isEnabled());
    Click(files, "OrnButton1wss");
  });
  // Should the machine hold these files, replacing them is agreed to.
  dialogs_->messageBoxAnswers.push_back(orn::kMsgOk);
  const orn::ExtractOutcome outcome = orn::ExtractFromWindow(&mainWindow, f.job, backend, /*whole=*/false);

  // Companion files are never offered, and the table brings them, in any
  // letter case; the other table's stay in the archive.
  QCOMPARE(shown, QStringList({"doc/note.txt", "srv/buh/DOKUM.DB", "srv/buh/KONTI.DB"}));
  QVERIFY(outcome.archiveChosen);
  QCOMPARE(outcome.chosenArchive, f.job.archiveDirectory + "Buh(Day_3-th).zip");
  QCOMPARE(backend.extracted.size(), size_t(1));
  QCOMPARE(backend.extracted[0],
           (std::vector<std::string>{"srv/buh/KONTI.DB", "srv/buh/konti.px", "srv/buh/Konti.MB"}));
  QCOMPARE(backend.extractBaseDirs[0], std::string("/"));
  QCOMPARE(orn::test::ReadFile(f.root + "srv/buh/konti.px"), std::string("index"));
  QVERIFY(!orn::FileExists(f.root + "srv/buh/DOKUM.DB"));
  QCOMPARE(outcome.ExitStatus(), 0);
}

void ArchWinTest::IncludeAllThenOkRestoresLikeExtractAll() {
  ArchiveFixture f;
  f.Write("Buh(Day_3-th).zip", kBuhEntries);
  auto chooseFirst = [](TFormUnarh* chooser) {
    ClickRow(chooser->SimGrid(), 1);
    Click(chooser, "okbutlis");
  };

  // Should the machine hold these files, replacing them is agreed to.
  dialogs_->messageBoxAnswers = {orn::kMsgOk, orn::kMsgOk};
  FakeBackend whole;
  WhenModal<TFormUnarh>(chooseFirst);
  const orn::ExtractOutcome all = orn::ExtractFromWindow(nullptr, f.job, whole, /*whole=*/true);

  FakeBackend chosen;
  WhenModal<TFormUnarh>(chooseFirst);
  WhenModal<TFormUnAr>([](TFormUnAr* files) {
    Click(files, "IncAllBtn");
    QCOMPARE(Child<QListWidget>(files, "LBSavedFiles")->count(), 0);
    QVERIFY(!Child<QPushButton>(files, "IncludeBtn")->isEnabled());
    QVERIFY(!Child<QPushButton>(files, "IncAllBtn")->isEnabled());
    QVERIFY(Child<QPushButton>(files, "ExAllBtn")->isEnabled());
    Click(files, "OrnButton1wss");
  });
  const orn::ExtractOutcome picked = orn::ExtractFromWindow(nullptr, f.job, chosen, /*whole=*/false);

  QCOMPARE(whole.extracted.size(), size_t(1));
  QCOMPARE(chosen.extracted.size(), size_t(1));
  auto a = whole.extracted[0], b = chosen.extracted[0];
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  QCOMPARE(b, a);
  QCOMPARE(a.size(), kBuhEntries.size());
  QCOMPARE(picked.result.written, all.result.written);
}

void ArchWinTest::CancelledChoosersRestoreNothing() {
  ArchiveFixture f;
  f.Write("Buh(Day_3-th).zip", kBuhEntries);
  FakeBackend backend;

  // Close in the archive chooser.
  WhenModal<TFormUnarh>([](TFormUnarh* chooser) { Click(chooser, "closebutton"); });
  orn::ExtractOutcome closed = orn::ExtractFromWindow(nullptr, f.job, backend, /*whole=*/true);
  QVERIFY(!closed.archiveChosen);
  QCOMPARE(closed.ExitStatus(), orn::kRestoreNothing);

  // Files moved across, then Cancel: the archive choice is taken back.
  WhenModal<TFormUnarh>([](TFormUnarh* chooser) {
    ClickRow(chooser->SimGrid(), 1);
    Click(chooser, "okbutlis");
  });
  WhenModal<TFormUnAr>([](TFormUnAr* files) {
    Click(files, "IncAllBtn");
    Click(files, "ExAllBtn");
    QCOMPARE(Child<QListWidget>(files, "LBUnSaveFiles")->count(), 0);
    Click(files, "IncAllBtn");
    Click(files, "OrnButton2sss");
  });
  orn::ExtractOutcome cancelled = orn::ExtractFromWindow(nullptr, f.job, backend, /*whole=*/false);
  QVERIFY(!cancelled.archiveChosen);
  QVERIFY(backend.extracted.empty());

  // Nobody at the screen: no chooser is shown and nothing is restored.
  orn::SetDialogs(std::make_unique<orn::HeadlessDialogService>());
  orn::ExtractOutcome headless = orn::ExtractFromWindow(nullptr, f.job, backend, /*whole=*/true);
  QVERIFY(!headless.archiveChosen);
  QVERIFY(backend.extracted.empty());
  // Nor is the add-files window: the job list stays as it was.
  const std::vector<std::string> listBefore = f.job.jobList;
  const orn::AddFilesOutcome added = orn::AddFilesFromWindow(nullptr, f.job, nullptr, "/");
  QCOMPARE(added.added, 0);
  QVERIFY(!added.changed);
  QCOMPARE(f.job.jobList, listBefore);
}

namespace {
// Reports as the engine does: a file started, then its bytes piece by
// piece; reading back, first what the archive holds, then its bytes.
// `seen` gets the progress window's bar and counts after each report.
class PiecewiseBackend : public orn::ArchiveBackend {
 public:
  std::function<void()> seen;
  void SetObserver(orn::ArchiveBackendObserver* observer) override { observer_ = observer; }
  void SetVolumes(bool, std::int64_t) override {}
  void SetRootDir(const std::string&) override {}
  int Add(const std::vector<std::string>& files, const std::string&) override {
    observer_->OnTotals(1, 1'000'000'000);
    observer_->OnProgress(files.front());
    for (int piece = 0; piece < 4; ++piece) {
      observer_->OnBytes(250'000'000);
      seen();
    }
    return 1;
  }
  bool Test(const std::vector<std::string>&, std::string*) override {
    seen();  // before the archive is read: activity only
    observer_->OnTotals(2, 1'000'000'000);
    observer_->OnProgress("big.db");
    observer_->OnBytes(600'000'000);
    seen();
    return true;
  }
  std::vector<std::string> List(const std::string&) override { return {}; }
  int Extract(const std::string&, const std::vector<std::string>&, const std::string&) override { return 0; }

 private:
  orn::ArchiveBackendObserver* observer_ = nullptr;
};
}  // namespace

// The bar and the sizes move while one large file is zipped, and while a
// copy is read back, instead of standing still until the file is done.
void ArchWinTest::ProgressMovesInsideFilesAndWhileVerifying() {
  QTemporaryDir dir;
  const std::string big = Str(dir) + "big.db";
  WriteFile(big, "");
  QWidget mainWindow;
  orn::ProgressObserver progress(&mainWindow);
  progress.RunStarted();
  PiecewiseBackend inner;
  const orn::MessageTexts texts;
  orn::CountingBackend counting(inner, progress, texts);
  QStringList bars, counts;
  inner.seen = [&] {
    auto* bar = Child<QProgressBar>(progress.Window(), "Animate1");
    bars << (bar->maximum() == 0 ? QString("busy") : QString("%1/%2").arg(bar->value()).arg(bar->maximum()));
    counts << Child<QLabel>(progress.Window(), "lblCount")->text();
  };
  counting.Add({big}, Str(dir) + "Buh.zip");
  QCOMPARE(bars.mid(0, 4), (QStringList{"250/1000", "500/1000", "750/1000", "1000/1000"}));
  QVERIFY2(counts[1].endsWith("(477 MB / 954 MB)"), qPrintable(counts[1]));
  counting.Test({Str(dir) + "Buh.zip"}, nullptr);
  QCOMPARE(bars.mid(4), (QStringList{"busy", "600/1000"}));
  // The copy being read back is named, not the last file zipped.
  QCOMPARE(Child<QLabel>(progress.Window(), "Label2")->text(), QString::fromStdString(Str(dir) + "Buh.zip"));
  progress.RunFinished();
}

void ArchWinTest::ProgressFollowsTheRunAndRefusesASecondRun() {
  QTemporaryDir dir;
  const std::string base = Str(dir);
  std::vector<std::string> files;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    files.push_back(base + "data/" + name);
    WriteFile(files.back(), std::string(1000, 'x'));
  }
  orn::Job job;
  job.archiveDirectory = base + "arh/";
  job.archiveName = "Buh";
  job.plusPath = "";

  QWidget mainWindow;
  mainWindow.show();
  bool stayedOpen = false;
  FakeBackend backend;
  QStringList titles, counts;
  int nestedStatus = -1;
  int nestedProblems = -1;
  backend.skipFile = [&](const std::string&) {
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops)
      if (auto* progress = qobject_cast<TfrmProgress*>(w); progress && progress->isVisible()) {
        titles << Child<QLabel>(progress, "Label1")->text();
        counts << Child<QLabel>(progress, "lblCount")->text();
      }
    // Closing the main window, or a second click on the archive button,
    // while this run is going.
    if (nestedStatus < 0) {
      mainWindow.close();
      stayedOpen = mainWindow.isVisible();
      orn::Job other = job;
      const orn::RunResult nested = orn::RunArchiveFromWindow(nullptr, other, backend);
      nestedStatus = nested.exitStatus;
      nestedProblems = nested.problems;
    }
    return false;
  };
  orn::ArchiverWindowOptions options;
  options.configureRun = [&](orn::ArchiveRun& run) {
    run.SetTemporaryDirectory(base + "tmp/");
    run.SetLowerPriority(false);
    run.buildRunList = [&](const orn::Job&) { return files; };
    run.writeJob = [](orn::Job&) {};
  };
  const orn::RunResult result = orn::RunArchiveFromWindow(&mainWindow, job, backend, options);

  QCOMPARE(result.exitStatus, int(orn::kRunComplete));
  QVERIFY(stayedOpen);
  QVERIFY(mainWindow.close());
  QVERIFY(orn::FileExists(job.archiveDirectory + "Buh.zip"));
  // The second run never started: it did not even reach the temporary
  // directory, which the first one holds.
  QCOMPARE(nestedStatus, int(orn::kRunNoGeneration));
  QCOMPARE(nestedProblems, 0);
  QCOMPARE(titles, QStringList({"ZIPPING", "ZIPPING", "ZIPPING"}));
  // Each file is counted as it starts, with the bytes the engine has done.
  QCOMPARE(counts.size(), 3);
  QVERIFY2(counts[0].startsWith("0 / 3"), qPrintable(counts[0]));
  QVERIFY2(counts[2].startsWith("2 / 3"), qPrintable(counts[2]));
  QVERIFY2(counts[2].contains("(2.0 KB / 2.9 KB)"), qPrintable(counts[2]));
  // The window is gone after the run.
  for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<TfrmProgress*>(w) || !w->isVisible());
}

void ArchWinTest::GatheringErrorIsLoggedAndFreesTheWindows() {
  QTemporaryDir dir;
  orn::Job job;
  job.archiveDirectory = Str(dir) + "arh/";
  job.archiveName = "Buh";
  FakeBackend backend;
  orn::ArchiverWindowOptions options;
  options.configureRun = [&](orn::ArchiveRun& run) {
    run.SetTemporaryDirectory(Str(dir) + "tmp/");
    run.buildRunList = [](const orn::Job&) -> std::vector<std::string> {
      throw std::runtime_error("Unknown alias BUHDATA");
    };
  };
  QWidget mainWindow;
  mainWindow.show();
  const orn::RunResult result = orn::RunArchiveFromWindow(&mainWindow, job, backend, options);
  // The run ends with no generation, and the log says why.
  QCOMPARE(result.exitStatus, int(orn::kRunNoGeneration));
  QCOMPARE(result.logFile, job.archiveDirectory + "ZuzIzu_log.txt");
  QVERIFY(orn::test::ReadFile(result.logFile).find("Unknown alias BUHDATA") != std::string::npos);
  // Nothing is left holding the program: no progress window, the main
  // window closes, the next command runs.
  QVERIFY(!orn::ArchiverActionRunning());
  for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<TfrmProgress*>(w) || !w->isVisible());
  QVERIFY(mainWindow.close());
  QVERIFY(backend.progress.empty());
}

void ArchWinTest::RunAndRestoreWithTheZipEngine() {
  const std::string libDir = ORN_BIN_DIR;
  if (!orn::FileExists(libDir + "/libornzip.so") || !orn::FileExists(libDir + "/libornunz.so"))
    QSKIP("the compression libraries are not built");
  QTemporaryDir dir;
  const std::string base = Str(dir);
  WriteFile(base + "data/KONTI.DB", std::string(40000, 'k'));
  WriteFile(base + "data/KONTI.PX", "index");
  WriteFile(base + "data/notes.txt", "notes");
  orn::Job job;
  job.archiveDirectory = base + "arh/";
  job.archiveName = "Buh";
  job.jobList = {base + "data/KONTI.DB", base + "data/KONTI.PX", base + "data/notes.txt"};
  TZipEngine engine;
  engine.SetLibDirectory(libDir);
  engine.SetUnattended(true);
  QWidget mainWindow;

  const orn::RunResult run = orn::RunArchiveFromWindow(&mainWindow, job, engine, /*showMessages=*/false);
  QVERIFY2(run.exitStatus != orn::kRunNoGeneration, run.Summary().c_str());
  QVERIFY(orn::FileExists(job.archiveDirectory + "Buh.zip"));

  // The table is damaged and its index lost; the table alone is chosen.
  WriteFile(base + "data/KONTI.DB", "damaged");
  std::remove((base + "data/KONTI.PX").c_str());
  std::remove((base + "data/notes.txt").c_str());
  WhenModal<TFormUnarh>([](TFormUnarh* chooser) {
    ClickRow(chooser->SimGrid(), 1);
    Click(chooser, "okbutlis");
  });
  dialogs_->messageBoxAnswers.push_back(orn::kMsgOk);  // replace the damaged table
  QStringList offered;
  WhenModal<TFormUnAr>([&offered](TFormUnAr* files) {
    auto* saved = Child<QListWidget>(files, "LBSavedFiles");
    offered = Items(saved);
    for (int i = 0; i < saved->count(); ++i) saved->item(i)->setSelected(saved->item(i)->text().endsWith("KONTI.DB"));
    Click(files, "IncludeBtn");
    Click(files, "OrnButton1wss");
  });
  const orn::ExtractOutcome restore =
      orn::ExtractFromWindow(&mainWindow, job, engine, /*whole=*/false, /*showMessages=*/false);
  QCOMPARE(offered.size(), 2);  // KONTI.PX is not offered
  // Asked first, naming how many files would be replaced and where; No is
  // the focused answer.
  QCOMPARE(dialogs_->messageBoxes.size(), size_t(1));
  QCOMPARE(dialogs_->messageBoxes[0].extra, "Files to replace: 1 (" + base + "data/)");
  QCOMPARE(dialogs_->messageBoxes[0].defaultButton, 256);
  QCOMPARE(dialogs_->messageBoxes[0].buttons, 6);
  QCOMPARE(restore.ExitStatus(), 0);
  QCOMPARE(orn::test::ReadFile(base + "data/KONTI.DB"), std::string(40000, 'k'));
  QCOMPARE(orn::test::ReadFile(base + "data/KONTI.PX"), std::string("index"));
  QVERIFY(!orn::FileExists(base + "data/notes.txt"));
}

void ArchWinTest::AddFilesWalksFoldersOnceAndAsksLabAdd() {
  QTemporaryDir dir;
  const std::string base = Str(dir);
  for (const char* name : {"buh/KONTI.DB", "buh/KONTI.PX", "buh/2024/old.txt", "buh/.cache/x", "notes.txt"})
    WriteFile(base + name, "data");
  orn::Job job;
  job.jobList = {base + "notes.txt"};
  job.saved = true;

  // The question is the main window's hidden label, as translated.
  QWidget mainWindow;
  (new QLabel(QString::fromUtf8("Pievienot esošajam sarakstam?"), &mainWindow))->setObjectName("LabAdd");
  // The window lists folders first; "buh" is chosen and a mask typed.
  WhenModal<TAddForm>([&](TAddForm* window) {
    QCOMPARE(window->CurrentDirectory(), base);
    auto* lb = Child<QListWidget>(window, "LB");
    // Names in their real letter case: on this platform "BUH" would be
    // another folder.
    QCOMPARE(Items(lb), QStringList({" buh", "notes.txt"}));
    QCOMPARE(Items(Child<QListWidget>(window, "DRC")), QStringList({"buh"}));
    SelectItems(lb, {" buh", "notes.txt"});
    Child<QLineEdit>(window, "Edit")->setText("/srv/doc/*.txt");
    Click(window, "Button1ssssx");
  });
  dialogs_->choiceAnswers = {0};
  orn::AddFilesOutcome first = orn::AddFilesFromWindow(&mainWindow, job, nullptr, base);
  QCOMPARE(first.returned, (std::vector<std::string>{"/srv/doc/*.txt", base + "buh", base + "notes.txt"}));
  QCOMPARE(dialogs_->asked.size(), size_t(1));
  QVERIFY(QString::fromStdString(dialogs_->asked[0]).contains(QString::fromUtf8("Pievienot esošajam sarakstam?")));
  // Each answer says what it does; adding is the default, Escape cancels.
  QCOMPARE(dialogs_->choices[0].buttons, (std::vector<std::string>{"Add to the list", "Replace the list", "Cancel"}));
  QCOMPARE(dialogs_->choices[0].defaultButton, 0);
  QCOMPARE(dialogs_->choices[0].cancelButton, 2);
  QVERIFY(!first.replaced);
  QCOMPARE(first.added, 4);  // the mask and three files under buh; notes.txt was there
  QVERIFY(!job.saved);
  QCOMPARE(job.jobList.front(), base + "notes.txt");
  QVERIFY(std::count(job.jobList.begin(), job.jobList.end(), base + "buh/2024/old.txt") == 1);

  // The same folder again adds nothing.
  job.saved = true;
  WhenModal<TAddForm>([&](TAddForm* window) {
    SelectItems(Child<QListWidget>(window, "LB"), {" buh"});
    Click(window, "Button1ssssx");
  });
  dialogs_->choiceAnswers = {0};
  orn::AddFilesOutcome again = orn::AddFilesFromWindow(nullptr, job, nullptr, base);
  QCOMPARE(again.added, 0);
  QVERIFY(job.saved);
  QCOMPARE(job.jobList.size(), size_t(5));

  // "Cancel" to the question leaves the list as it was.
  const std::vector<std::string> before = job.jobList;
  WhenModal<TAddForm>([&](TAddForm* window) {
    SelectItems(Child<QListWidget>(window, "LB"), {"notes.txt"});
    Click(window, "Button1ssssx");
  });
  dialogs_->choiceAnswers = {2};
  QCOMPARE(orn::AddFilesFromWindow(nullptr, job, nullptr, base).added, 0);
  QCOMPARE(job.jobList, before);
  QVERIFY(job.saved);

  // "Replace the list": the list becomes what was chosen; browsing into
  // the folder by double click, and up again.
  WhenModal<TAddForm>([&](TAddForm* window) {
    auto* drc = Child<QListWidget>(window, "DRC");
    drc->setCurrentRow(0);
    window->DRCDblClick();
    QCOMPARE(window->CurrentDirectory(), base + "buh/");
    QCOMPARE(Items(Child<QListWidget>(window, "LB")), QStringList({" 2024", "KONTI.DB", "KONTI.PX"}));
    // Backspace in the folder list goes up; the directory chooser comes back.
    QTest::keyClick(drc, Qt::Key_Backspace);
    QCOMPARE(window->CurrentDirectory(), base);
    dialogs_->directories = {base + "buh"};
    QTest::mouseClick(Child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
    QCOMPARE(window->CurrentDirectory(), base + "buh/");
    SelectItems(Child<QListWidget>(window, "LB"), {"KONTI.DB"});
    Click(window, "Button1ssssx");
  });
  dialogs_->choiceAnswers = {1};
  orn::AddFilesOutcome replaced = orn::AddFilesFromWindow(nullptr, job, nullptr, base);
  QVERIFY(replaced.replaced);
  QCOMPARE(job.jobList, (std::vector<std::string>{base + "buh/KONTI.DB"}));

  // Cancel returns nothing and asks nothing.
  dialogs_->asked.clear();
  WhenModal<TAddForm>([](TAddForm* window) { Click(window, "Button2dffcvc"); });
  QCOMPARE(orn::AddFilesFromWindow(nullptr, job, nullptr, base).added, 0);
  QVERIFY(dialogs_->asked.empty());
}

void ArchWinTest::RemovingARowTakesItsCompanions() {
  QTemporaryDir dir;
  const std::string base = Str(dir);
  for (const char* name : {"buh/KONTI.DB", "buh/KONTI.PX", "buh/KONTI.MB", "buh/KONTI.X02", "buh/DOKUM.DB"})
    WriteFile(base + name, "data");
  orn::Job job;
  orn::ApplyAddedFiles(job, {base + "buh"}, true);
  QCOMPARE(job.jobList.size(), size_t(5));
  const auto rows = orn::JobGridRows(job.jobList);
  QCOMPARE(rows.size(), size_t(2));  // companions have no row
  int kontiRow = rows[0].file == "KONTI.DB" ? 0 : 1;
  orn::RemoveJobGridRows(job.jobList, kontiRow, kontiRow);
  QCOMPARE(job.jobList, (std::vector<std::string>{base + "buh/DOKUM.DB"}));
}

void ArchWinTest::MarkingWritesOnlyChangedMarks() {
  QTemporaryDir dir;
  orn::Job job;
  job.registerFile = Str(dir) + "SprFiles.db";
  orn::test::MakeRegister(job.registerFile, {{"DOKUM.DB", "BUHDATA", "Dokumenti", "", true},
                                             {"KONTI.DB", "BUHDATA", "Kontu plans", "galvena", false},
                                             {"", "BUHDATA", "empty key", "", true}});

  // OK without a change writes nothing (the empty record is cleaned away).
  QStringList lines;
  WhenModal<TfrmSPRAdmin>([&](TfrmSPRAdmin* window) {
    lines = Items(Child<QListWidget>(window, "SPR"));
    Click(window, "DBbuOk");
  });
  orn::MarkOutcome untouched = orn::MarkRegisterFromWindow(nullptr, job);
  QVERIFY(untouched.accepted);
  QCOMPARE(untouched.written, 0);
  QCOMPARE(lines.size(), 2);
  QCOMPARE(lines[1].toStdString(), orn::FormatMarkingLine("KONTI.DB", "Kontu plans", "galvena"));
  QCOMPARE(lines[1].left(16), QString("KONTI.DB        "));

  // Ticking KONTI writes that record alone; Cancel would write nothing.
  WhenModal<TfrmSPRAdmin>([](TfrmSPRAdmin* window) {
    auto* spr = Child<QListWidget>(window, "SPR");
    spr->item(0)->setCheckState(Qt::Unchecked);
    Click(window, "DBbuNo");
  });
  QCOMPARE(orn::MarkRegisterFromWindow(nullptr, job).written, 0);
  WhenModal<TfrmSPRAdmin>([](TfrmSPRAdmin* window) {
    Child<QListWidget>(window, "SPR")->item(1)->setCheckState(Qt::Checked);
    Click(window, "DBbuOk");
  });
  QCOMPARE(orn::MarkRegisterFromWindow(nullptr, job).written, 1);

  orn::Table reread;
  orn::OpenRegister(reread, job.registerFile);
  auto marks = orn::ReadMarkingLines(reread);
  QVERIFY(marks);
  QCOMPARE(marks->size(), size_t(2));
  QVERIFY((*marks)[0].checked);
  QVERIFY((*marks)[1].checked);

  // An older register cannot be marked: the notice is shown instead.
  job.registerFile = Str(dir) + "old/SprFiles.db";
  orn::ForceDirectories(Str(dir) + "old");
  orn::test::MakeRegister(job.registerFile, {{"KONTI.DB", "BUHDATA", "", "", false}}, /*withMark=*/false);
  dialogs_->asked.clear();
  QVERIFY(orn::MarkRegisterFromWindow(nullptr, job).oldRegister);
  QCOMPARE(dialogs_->asked.size(), size_t(1));
  QVERIFY(QString::fromStdString(dialogs_->asked[0]).contains("old version of SPR"));
}

// The main window as the program runs it: after every run and restore the
// status bar shows the summary; a failure also opens the message window with
// the summary and the log's place, unless DOSHOWMESSAGES showed each problem.
void ArchWinTest::MainWindowTellsEveryOutcome() {
  const std::string libDir = ORN_BIN_DIR;
  if (!orn::FileExists(libDir + "/libornzip.so") || !orn::FileExists(libDir + "/libornunz.so"))
    QSKIP("the compression libraries are not built");
  QTemporaryDir dir;
  const std::string base = Str(dir);
  qputenv("XDG_STATE_HOME", QByteArray::fromStdString(base + "state"));
  WriteFile(base + "data/KONTI.DB", std::string(4000, 'k'));
  WriteFile(base + "data/notes (2024).txt", "notes");
  WriteFile(base + "blocked", "a file where the archive directory should be");
  orn::ForceDirectories(base + "plus");

  struct Row {
    const char* what;
    std::string archiveDirectory;
    std::vector<std::string> extraFiles;
    bool showMessages;
    const char* summaryStart;  // in the window's language, Latvian
    const char* caption;       // of the summary's message window; "" for none
    std::string log;           // the log the message window names
    std::string why;           // what failed, as the message window says it
  };
  const Row rows[] = {
      {"complete", base + "arh/", {}, false, "Arhīvs izveidots: ", "", "", ""},
      {"a listed file is missing",
       base + "arh/",
       {base + "data/gone.txt"},
       false,
       "Arhīvs izveidots: ",
       "msg_Warning",
       base + "arh/ZuzIzu_log.txt",
       "Saraksta fails nav atrasts \"" + base + "data/gone.txt\""},
      {"no generation, the log elsewhere",
       base + "blocked/arh/",
       {},
       false,
       "Paaudze netika izveidota",
       "msg_Error",
       base + "state/archivator/ZuzIzu_log.txt",
       "Nevar izveidot direktoriju \"" + base + "blocked/arh/\""},
      {"DOSHOWMESSAGES showed each problem",
       base + "arh/",
       {base + "data/gone.txt"},
       true,
       "Arhīvs izveidots: ",
       "",
       "",
       ""},
  };
  for (const Row& row : rows) {
    qInfo("%s", row.what);
    orn::Job job;
    job.archiveDirectory = row.archiveDirectory;
    job.archiveName = "Buh";
    job.plusPath = base + "plus/";
    job.jobList = {base + "data/KONTI.DB", base + "data/notes (2024).txt"};
    job.jobList.insert(job.jobList.end(), row.extraFiles.begin(), row.extraFiles.end());
    orn::WriteJobFile(job, base + "job.arh");
    dialogs_->messageBoxes.clear();
    // "Open the log" is pressed: the desktop is asked to open the log.
    dialogs_->messageBoxAnswers = {orn::kMsgOk};
    QStringList opened;
    LogOpener opener(&opened);
    QDesktopServices::setUrlHandler("file", &opener, "Open");
    std::vector<std::string> args = {base + "job.arh"};
    if (row.showMessages) args.push_back("DOSHOWMESSAGES");
    TArchivatorWindow window(args);
    window.show();
    QTest::mouseClick(Child<QToolButton>(&window, "SpeedButton10"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(opened, *row.caption && !row.showMessages ? QStringList{QString::fromStdString(row.log)} : QStringList{});

    auto* summaryPanel = Child<QLabel>(&window, "LblSummary");
    const QString summary = summaryPanel->text();
    QVERIFY2(summary.startsWith(QString::fromUtf8(row.summaryStart)), qPrintable(summary));
    std::vector<orn::MessageBoxRequest> summaries;
    // The summary, then the first problem: what went wrong, not only that.
    for (const orn::MessageBoxRequest& shown : dialogs_->messageBoxes)
      if (QString::fromStdString(shown.message).startsWith(summary)) summaries.push_back(shown);
    if (!*row.caption) {
      QCOMPARE(summaries.size(), size_t(0));
    } else {
      // The window says what failed, on which file and why, where the log
      // is, and offers to open it.
      QCOMPARE(summaries.size(), size_t(1));
      QCOMPARE(summaries[0].caption, Child<QLabel>(&window, row.caption)->text().toStdString());
      QVERIFY2(summaries[0].message.find(row.why) != std::string::npos, summaries[0].message.c_str());
      QCOMPARE(summaries[0].extra, Child<QLabel>(&window, "msg_LogIs")->text().toStdString() + ": " + row.log);
      QCOMPARE(summaries[0].buttons, 1);
      QCOMPARE(summaries[0].okCaption, Child<QLabel>(&window, "btn_OpenLog")->text().toStdString());
    }
    if (row.showMessages) QVERIFY(!dialogs_->messageBoxes.empty());  // the problems themselves
    // A hint passes beside the summary, which stays.
    auto* box = Child<QLabel>(&window, "Box");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Child<QToolButton>(&window, "SBOpen"), &enter);
    QVERIFY(!box->text().isEmpty());
    QCOMPARE(summaryPanel->text(), summary);
    QApplication::sendEvent(Child<QWidget>(&window, "Panel11"), &enter);
    QCOMPARE(box->text(), QString());
    QCOMPARE(summaryPanel->text(), summary);
  }

  // A restore over files that exist asks first; the default answer, No,
  // keeps them, and that is the user's choice, not a failure.
  orn::Job job = orn::ReadJobFile(base + "job.arh", orn::Job());
  WriteFile(base + "data/KONTI.DB", "newer than the archive");
  dialogs_->messageBoxes.clear();
  TArchivatorWindow window({base + "job.arh"});
  window.show();
  QVERIFY(Child<QToolButton>(&window, "SpeedButton8")->isEnabled());
  WhenModal<TFormUnarh>([](TFormUnarh* chooser) {
    ClickRow(chooser->SimGrid(), 1);
    Click(chooser, "okbutlis");
  });
  QTest::mouseClick(Child<QToolButton>(&window, "SpeedButton8"), Qt::LeftButton);
  QCOMPARE(orn::test::ReadFile(base + "data/KONTI.DB"), std::string("newer than the archive"));
  QCOMPARE(dialogs_->messageBoxes.size(), size_t(1));
  QCOMPARE(dialogs_->messageBoxes[0].extra,
           Child<QLabel>(&window, "msg_OverwriteWhere")->text().toStdString() + ": 2 (" + base + "data/)");
  const QString restored = Child<QLabel>(&window, "LblSummary")->text();
  QVERIFY2(restored.startsWith("No " + QString::fromStdString(base)) &&
               restored.contains(QString::fromUtf8("nekas netika atjaunots: esošie faili atstāti (2)")),
           qPrintable(restored));
  qunsetenv("XDG_STATE_HOME");
}

#include "ArchWinTest.moc"

// Arrow keys choose a row and enable OK; Enter takes it, as a double click
// does.
void ArchWinTest::ArchiveChooserByKeyboard() {
  ArchiveFixture f;
  f.Write("Buh(Day_3-th).zip", kBuhEntries);
  f.Write("Buh(Day_4-th).zip", kBuhEntries);
  for (const char* how : {"Enter", "double click"}) {
    TFormUnarh chooser(f.job, "Faili");
    chooser.show();
    QVERIFY(QTest::qWaitForWindowActive(&chooser));
    auto* sim = chooser.SimGrid();
    auto* ok = Child<TOrnBitBtn>(&chooser, "okbutlis");
    QVERIFY(!ok->isEnabled());
    sim->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sim, Qt::Key_Down);
    QTest::keyClick(sim, Qt::Key_Down);
    QCOMPARE(sim->currentRow(), 2);
    QVERIFY(ok->isEnabled());
    if (std::string(how) == "Enter") {
      QTest::keyClick(sim, Qt::Key_Return);
    } else {
      const QRect cell = sim->visualRect(sim->model()->index(2, 0));
      QTest::mouseClick(sim->viewport(), Qt::LeftButton, {}, cell.center());
      QTest::mouseDClick(sim->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QVERIFY2(chooser.ArchiveChosen(), how);
    QCOMPARE(chooser.ChosenArchive(), f.job.archiveDirectory + sim->Cells(0, 2).toStdString());
    QCOMPARE(chooser.result(), int(QDialog::Accepted));
  }

  // A unique save by the keyboard alone: Tab leaves the first grid for the
  // second, where the arrows choose, and Tab again reaches OK.
  f.Write("Unique/Buh(DATE=1,12,2025).zip", kBuhEntries);
  TFormUnarh chooser(f.job, "Faili");
  chooser.show();
  QVERIFY(QTest::qWaitForWindowActive(&chooser));
  chooser.SimGrid()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(chooser.SimGrid(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(chooser.AttGrid()));
  // Shift+Tab goes back the same way.
  QTest::keyClick(chooser.AttGrid(), Qt::Key_Tab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(chooser.SimGrid()));
  QTest::keyClick(chooser.SimGrid(), Qt::Key_Tab);
  QTest::keyClick(chooser.AttGrid(), Qt::Key_Down);
  QTest::keyClick(chooser.AttGrid(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Child<TOrnBitBtn>(&chooser, "okbutlis")));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QVERIFY(chooser.ArchiveChosen());
  QCOMPARE(chooser.ChosenArchive(), f.job.archiveDirectory + "Unique/Buh(DATE=1,12,2025).zip");
}

// Cancel on the progress window (button or Escape), while zipping or while
// the new generation is read back: no generation is replaced, the
// cancellation is logged, and the run ends with "no generation".
void ArchWinTest::CancelLeavesThePreviousGeneration_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<bool>("whileVerifying");
  QTest::newRow("Cancel while zipping") << "button" << false;
  QTest::newRow("Escape while zipping") << "Escape" << false;
  QTest::newRow("Cancel while reading back") << "button" << true;
}

void ArchWinTest::CancelLeavesThePreviousGeneration() {
  QFETCH(QString, how);
  QFETCH(bool, whileVerifying);
  QTemporaryDir dir;
  const std::string base = Str(dir);
  std::vector<std::string> files;
  for (const char* name : {"a.txt", "b.txt"}) {
    files.push_back(base + "data/" + name);
    WriteFile(files.back(), std::string(5000, 'y'));
  }
  orn::Job job;
  job.archiveDirectory = base + "arh/";
  job.archiveName = "Buh";
  job.rotationScheme = 'N';
  // Yesterday's generation, which must come through byte for byte.
  FakeBackend::WriteArchive(job.archiveDirectory + "Buh.zip", {{"old.txt", "yesterday"}});
  const std::string before = orn::test::ReadFile(job.archiveDirectory + "Buh.zip");

  QWidget mainWindow;
  mainWindow.show();
  FakeBackend backend;
  bool engineCancelled = false;
  auto cancel = [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* progress = qobject_cast<TfrmProgress*>(w); progress && progress->isVisible()) {
        auto* button = Child<QPushButton>(progress, "btnCancel");
        QVERIFY(button->isEnabled());
        if (how == "Escape")
          QTest::keyClick(progress, Qt::Key_Escape);
        else
          QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
      }
  };
  if (whileVerifying) {
    backend.failTest = [&](const std::string&) {
      if (!engineCancelled) cancel();
      return false;
    };
  } else {
    backend.skipFile = [&](const std::string&) {
      if (!engineCancelled) cancel();
      return false;
    };
  }
  orn::ArchiverWindowOptions options;
  options.cancelEngine = [&] { engineCancelled = true; };
  options.configureRun = [&](orn::ArchiveRun& run) {
    run.SetTemporaryDirectory(base + "tmp/");
    run.SetLowerPriority(false);
    run.buildRunList = [&](const orn::Job&) { return files; };
    run.writeJob = [](orn::Job&) {};
  };
  const orn::RunResult result = orn::RunArchiveFromWindow(&mainWindow, job, backend, options);

  QVERIFY(engineCancelled);
  QCOMPARE(result.exitStatus, int(orn::kRunNoGeneration));
  QVERIFY(result.generation.empty());
  QCOMPARE(orn::test::ReadFile(job.archiveDirectory + "Buh.zip"), before);
  const std::string log = orn::test::ReadFile(job.archiveDirectory + "ZuzIzu_log.txt");
  // Logged as what it was, a cancellation, not as a copy that is damaged.
  QVERIFY2(log.find("CANCELLED : ") != std::string::npos && log.find("Cancelled by the user") != std::string::npos,
           log.c_str());
  QVERIFY2(log.find("does not read back") == std::string::npos, log.c_str());
  // Nothing half-made is left beside the generation.
  QStringList left = QDir(QString::fromStdString(job.archiveDirectory)).entryList(QDir::Files);
  left.sort();
  QCOMPARE(left, QStringList({"Buh.zip", "ZuzIzu_log.txt"}));
}

// The same with the real engine: Cancel reaches the compression library
// through the engine's Cancel while it works on the first file.
void ArchWinTest::CancelStopsTheZipEngine() {
  const std::string libDir = ORN_BIN_DIR;
  if (!orn::FileExists(libDir + "/libornzip.so") || !orn::FileExists(libDir + "/libornunz.so"))
    QSKIP("the compression libraries are not built");
  QTemporaryDir dir;
  const std::string base = Str(dir);
  orn::Job job;
  job.archiveDirectory = base + "arh/";
  job.archiveName = "Buh";
  for (int i = 0; i < 8; ++i) {
    std::string data(3'000'000, '\0');
    for (size_t k = 0; k < data.size(); ++k) data[k] = static_cast<char>((k * 2654435761u + i) >> 13);
    job.jobList.push_back(base + "data/f" + std::to_string(i) + ".bin");
    WriteFile(job.jobList.back(), data);
  }
  FakeBackend::WriteArchive(job.archiveDirectory + "Buh.zip", {{"old.txt", "yesterday"}});
  const std::string before = orn::test::ReadFile(job.archiveDirectory + "Buh.zip");
  TZipEngine engine;
  engine.SetLibDirectory(libDir);
  engine.SetUnattended(true);
  QWidget mainWindow;
  mainWindow.show();

  // As soon as the first file is under way, the user presses Cancel.
  bool pressed = false;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* progress = qobject_cast<TfrmProgress*>(w); progress && progress->FilesDone() > 0 && !pressed) {
        pressed = true;
        QTest::mouseClick(Child<QPushButton>(progress, "btnCancel"), Qt::LeftButton);
      }
  });
  poll.start();
  const orn::RunResult run = orn::RunArchiveFromWindow(&mainWindow, job, engine, /*showMessages=*/false);
  poll.stop();

  QVERIFY(pressed);
  QCOMPARE(run.exitStatus, int(orn::kRunNoGeneration));
  QCOMPARE(orn::test::ReadFile(job.archiveDirectory + "Buh.zip"), before);
  QVERIFY(!engine.Cancel());  // the next job starts afresh
  const std::string log = orn::test::ReadFile(job.archiveDirectory + "ZuzIzu_log.txt");
  QVERIFY2(log.find("Cancelled by the user") != std::string::npos, log.c_str());
}

void ArchWinTest::AddFilesStartsWhereTheJobsFilesAre() {
  QTemporaryDir dir;
  const std::string base = Str(dir);
  WriteFile(base + "buh/KONTI.DB", "k");
  const std::string home = "/home/someone/";
  struct Row {
    const char* what;
    std::vector<std::string> jobList;
    std::string start;
  } rows[] = {
      {"empty job list", {}, home},
      {"first file's folder", {base + "buh/KONTI.DB", "/elsewhere/x.txt"}, base + "buh/"},
      {"a pattern's folder", {base + "buh/*.DB"}, base + "buh/"},
      {"a folder that is gone", {base + "gone/a.txt", base + "buh/KONTI.DB"}, home},
  };
  for (const Row& row : rows) {
    orn::Job job;
    job.jobList = row.jobList;
    QCOMPARE(orn::AddFilesStartFolder(job, home), row.start);
  }
}

QTEST_MAIN(ArchWinTest)
