// Whole archive runs on chosen dates through the clock seam, with the fake
// back-end: what lands in the archive directory, the unique folder and the
// plus path, what the log says, and the exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ArchiveRun.h"
#include "Clock.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "RunFiles.h"
#include "ScriptedDialogService.h"

namespace orn {
namespace {

using test::FakeBackend;
using test::ReadFile;
using test::WriteFile;

DateTime Date(int y, int m, int d) { return *EncodeDate(y, m, d); }

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const FoundFile& f : FindFiles(dir, "*.*")) names.push_back(f.name);
  return names;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeScratchDir();
    ASSERT_FALSE(root_.empty());
    WriteFile(root_ + "data/KONTI.DB", std::string(1500, 'k'));
    WriteFile(root_ + "data/KONTI.PX", std::string(700, 'p'));
    WriteFile(root_ + "doc/note.txt", "note");
    runList_ = {root_ + "data/KONTI.DB", root_ + "data/KONTI.PX", root_ + "doc/note.txt"};
    ForceDirectories(root_ + "plus");

    job_.jobFilePath = root_ + "buh.arh";
    job_.archiveDirectory = root_ + "Backup Files/Arh/";
    job_.archiveName = "Buh";
    job_.uniqueFolder = "Unique";
    job_.plusPath = root_ + "plus/";

    run_.SetTemporaryDirectory(root_ + "prog/OrnZpArh_Temporary_Directory");
    // The per-user log, for a run without an archive directory.
    setenv("XDG_STATE_HOME", (root_ + "state").c_str(), 1);
    run_.SetLowerPriority(false);
    run_.buildRunList = [this](const Job&) { return runList_; };
    run_.writeJob = [this](Job& job) { writtenDates_.push_back(job.lastArchivingDate); };
    previousClock_ = SetClock(std::make_unique<FixedClock>(Date(2025, 12, 10) + 0.5));
  }
  void TearDown() override {
    SetClock(std::move(previousClock_));
    test::RemoveTree(root_);
  }

  RunResult RunOn(DateTime date) {
    SetClock(std::make_unique<FixedClock>(date + EncodeTime(10, 0, 0)));
    return run_.Run(job_);
  }
  std::string Archive() const { return job_.archiveDirectory; }
  std::string Unique() const { return job_.archiveDirectory + "Unique/"; }
  std::string Plus() const { return job_.plusPath; }
  std::string Log() const { return ReadFile(job_.archiveDirectory + "ZuzIzu_log.txt"); }

  std::string root_;
  std::vector<std::string> runList_;
  Job job_;
  FakeBackend backend_;
  MessageTexts texts_;
  ArchiveRun run_{backend_, texts_};
  std::vector<DateTime> writtenDates_;
  std::unique_ptr<Clock> previousClock_;
};

TEST_F(RunTest, WeeklySchemeOnSundayAndMonday) {
  job_.rotationScheme = 'W';
  job_.uniqueScheme = 'W';
  job_.lastArchivingDate = Date(2025, 12, 1);

  RunResult sunday = RunOn(Date(2025, 12, 7));
  EXPECT_EQ(sunday.exitStatus, kRunComplete) << Log();
  EXPECT_EQ(Names(Archive()), (std::vector<std::string>{"Buh(Day_7-th).zip"}));
  EXPECT_TRUE(Names(Unique()).empty()) << "Monday 1 December is not later than the last save";
  EXPECT_EQ(Names(Plus()), (std::vector<std::string>{"Buh(Day_7-th).zip"}));

  for (int i = 0; i < 2; ++i) {  // every Monday run saves, also a second one
    std::remove((Unique() + "Buh(DATE=8,12,2025).zip").c_str());
    RunResult monday = RunOn(Date(2025, 12, 8));
    EXPECT_EQ(monday.exitStatus, kRunComplete);
    EXPECT_EQ(Names(Unique()), (std::vector<std::string>{"Buh(DATE=8,12,2025).zip"}));
    EXPECT_EQ(job_.lastArchivingDate, Date(2025, 12, 8));
  }
  EXPECT_EQ(writtenDates_.size(), 3u);
  EXPECT_TRUE(Names(run_.TemporaryDirectory()).empty());
  // What was zipped reads back from the generation with its stored names.
  EXPECT_EQ(backend_.List(Archive() + "Buh(Day_1-th).zip").size(), 3u);
  EXPECT_EQ(Log(), "");
}

TEST_F(RunTest, UniqueSequences) {
  struct Step {
    DateTime date;
    const char* generation;
    const char* unique;  // "" = no unique save on that run
  };
  struct Sequence {
    const char* what;
    char rotation;
    char unique;
    DateTime last;
    std::vector<Step> steps;
  };
  const Sequence sequences[] = {
      {"weekly",
       'W',
       'W',
       Date(2025, 12, 1),
       {{Date(2025, 12, 10), "Buh(Day_3-th).zip", "Buh(DATE=10,12,2025).zip"},
        {Date(2025, 12, 11), "Buh(Day_4-th).zip", ""}}},
      {"monthly",
       'M',
       'M',
       Date(2026, 1, 20),
       {{Date(2026, 2, 3), "Buh(Day_3of_month).zip", "Buh(DATE=3,2,2026).zip"},
        {Date(2026, 2, 28), "Buh(Day_28of_month).zip", ""},
        {Date(2027, 1, 2), "Buh(Day_2of_month).zip", "Buh(DATE=2,1,2027).zip"}}},
      {"never saved before, yearly",
       'Y',
       'Y',
       0,
       {{Date(2026, 12, 5), "Buh(Day_5of_month_12).zip", "Buh(DATE=5,12,2026).zip"}}},
      {"standard name", 'N', 'N', 0, {{Date(2026, 12, 9), "Buh.zip", ""}}},
  };
  for (const Sequence& s : sequences) {
    SCOPED_TRACE(s.what);
    test::RemoveTree(Archive());
    test::RemoveTree(Plus());
    ForceDirectories(Plus());
    job_.rotationScheme = s.rotation;
    job_.uniqueScheme = s.unique;
    job_.lastArchivingDate = s.last;
    for (const Step& step : s.steps) {
      DateTime lastBefore = job_.lastArchivingDate;
      std::vector<std::string> uniqueBefore = Names(Unique());
      RunResult r = RunOn(step.date);
      EXPECT_EQ(r.exitStatus, kRunComplete) << Log();
      EXPECT_TRUE(FileExists(Archive() + step.generation)) << step.generation;
      EXPECT_EQ(r.generation, Archive() + step.generation);
      std::vector<std::string> uniqueAfter = Names(Unique());
      if (*step.unique) {
        EXPECT_TRUE(FileExists(Unique() + step.unique)) << step.unique;
        EXPECT_EQ(job_.lastArchivingDate, step.date);
        EXPECT_EQ(writtenDates_.back(), step.date);
      } else {
        EXPECT_EQ(uniqueAfter, uniqueBefore);
        EXPECT_EQ(job_.lastArchivingDate, lastBefore);
      }
    }
  }
  // The standard name's second copy still rotates by weekday.
  EXPECT_TRUE(FileExists(Plus() + "Buh(Day_3-th).zip"));
}

TEST_F(RunTest, VolumesCarryTheTagBeforeTheVolumeNumber) {
  job_.volumesOn = true;
  job_.volumeSize = 1;  // 1000 bytes a volume
  job_.uniqueScheme = 'M';
  // An older, longer set of this slot: its fourth volume must not survive
  // beside the new three, or the set would not read back.
  WriteFile(Archive() + "Buh004.zip", "old volume");
  RunResult r = RunOn(Date(2026, 12, 9));
  EXPECT_EQ(r.exitStatus, kRunComplete) << Log();
  EXPECT_EQ(Names(Archive()), (std::vector<std::string>{"Buh001.zip", "Buh002.zip", "Buh003.zip"}));
  EXPECT_EQ(Names(Unique()), (std::vector<std::string>{"Buh(DATE=9,12,2026)001.zip", "Buh(DATE=9,12,2026)002.zip",
                                                       "Buh(DATE=9,12,2026)003.zip"}));
  EXPECT_EQ(Names(Plus()),
            (std::vector<std::string>{"Buh(Day_3-th)001.zip", "Buh(Day_3-th)002.zip", "Buh(Day_3-th)003.zip"}));
  EXPECT_EQ(backend_.List(Plus() + "Buh(Day_3-th)003.zip").size(), 3u);
}

TEST_F(RunTest, ArchivePathWithBlanksIsCreatedLevelByLevel) {
  ASSERT_FALSE(DirectoryExists(root_ + "Backup Files"));
  job_.uniqueScheme = 'W';
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_TRUE(DirectoryExists(root_ + "Backup Files/Arh"));
  // The first run into a new archive directory still makes its unique save:
  // the unique folder is made after the archive directory.
  EXPECT_TRUE(FileExists(Unique() + "Buh(DATE=10,12,2025).zip"));
  EXPECT_EQ(r.exitStatus, kRunComplete);
  EXPECT_EQ(Log(), "");
}

TEST_F(RunTest, UniqueFolderThatCannotBeMadeKeepsTheSaveDue) {
  job_.uniqueScheme = 'W';
  job_.lastArchivingDate = Date(2025, 12, 1);
  WriteFile(Archive() + "Unique", "a file where the folder should be");
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunIncomplete);
  EXPECT_EQ(job_.lastArchivingDate, Date(2025, 12, 1)) << "the save stays due for the next run";
  std::string log = Log();
  EXPECT_NE(log.find("Failu sistēmas kļūda : 10.12.2025 10:00:00 : Nevar izveidot direktoriju \"" + Unique() +
                     "\"\": File exists\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Nevar nokopēt failu \"" + run_.TemporaryDirectory() + "Buh.zip\"->\"" + Unique() +
                     "Buh(DATE=10,12,2025).zip\""),
            std::string::npos)
      << log;
  EXPECT_TRUE(FileExists(Archive() + "Buh.zip"));
}

TEST_F(RunTest, EmptyPlusPathLogsItsWarningOnEveryRun) {
  job_.plusPath.clear();
  RunResult first = RunOn(Date(2025, 12, 10));
  RunResult second = RunOn(Date(2025, 12, 11));
  EXPECT_EQ(first.exitStatus, kRunComplete) << "an empty plus path asks for no copy";
  EXPECT_EQ(second.problems, 0);
  EXPECT_EQ(Log(),
            "Brīdinājums : 10.12.2025 10:00:00 : Nav PLUS direktorijas\r\n"
            "Brīdinājums : 11.12.2025 10:00:00 : Nav PLUS direktorijas\r\n");

  job_.plusPath = root_ + "gone/";  // not there yet: its levels are made first
  RunResult third = RunOn(Date(2025, 12, 12));
  EXPECT_EQ(third.exitStatus, kRunComplete) << "the missing levels of the plus path are created";
  EXPECT_TRUE(FileExists(root_ + "gone/Buh(Day_5-th).zip"));
}

TEST_F(RunTest, EmptyArchivePathMakesNothingAndLogsNowhere) {
  job_.archiveDirectory.clear();
  std::string cwdBefore = CurrentDir();
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunNoGeneration);
  EXPECT_TRUE(backend_.progress.empty());
  EXPECT_FALSE(FileExists(JoinPath(cwdBefore, "ZuzIzu_log.txt")));
  // The line still reaches a log, the user's own, and the summary says where.
  EXPECT_EQ(r.Summary(), "No generation made, the previous one is kept; verified: none; 1 problem logged; " +
                             texts_.Text("msg_NoArchivePath") + "; log: " + root_ + "state/archivator/ZuzIzu_log.txt");
  EXPECT_NE(ReadFile(root_ + "state/archivator/ZuzIzu_log.txt").find("ERROR : 10.12.2025 10:00:00 : No archive"),
            std::string::npos);

  MessageLog log(texts_, "", false);
  log.Error("nowhere to go");
  EXPECT_EQ(log.LogFilePath(), "");
  EXPECT_EQ(log.ProblemCount(), 1);
}

// The folder whose copies come back from the disk with a byte changed.
std::string spoiledFolder;
void SpoilCopies(FileStep step, const std::string& path) {
  if (step != FileStep::Fsync || spoiledFolder.empty() || path.rfind(spoiledFolder, 0) != 0) return;
  if (std::FILE* f = std::fopen(path.c_str(), "r+")) {
    std::fputc('~', f);
    std::fclose(f);
  }
}

TEST_F(RunTest, CopyFailingVerificationLeavesThePreviousGeneration) {
  job_.rotationScheme = 'W';
  WriteFile(Archive() + "Buh(Day_3-th).zip", "previous generation");
  WriteFile(Plus() + "Buh(Day_3-th).zip", "previous plus copy");
  SetFileStepHook(SpoilCopies);
  spoiledFolder = Plus();
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunIncomplete);
  EXPECT_EQ(ReadFile(Plus() + "Buh(Day_3-th).zip"), "previous plus copy");
  EXPECT_EQ(Names(Plus()), (std::vector<std::string>{"Buh(Day_3-th).zip"})) << "no half-made copy left";
  EXPECT_NE(Log().find("ERROR : 10.12.2025 10:00:00 : The copy does not read back correctly \"" + Plus() +
                       "Buh(Day_3-th).zip\": read back "),
            std::string::npos)
      << Log();
  EXPECT_NE(Log().find("; the tested archive has "), std::string::npos) << Log();

  WriteFile(Archive() + "Buh(Day_3-th).zip", "previous generation");
  spoiledFolder = Archive();
  RunResult broken = RunOn(Date(2025, 12, 10));
  SetFileStepHook(nullptr);
  spoiledFolder.clear();
  EXPECT_EQ(broken.exitStatus, kRunNoGeneration);
  EXPECT_EQ(ReadFile(Archive() + "Buh(Day_3-th).zip"), "previous generation");
  EXPECT_EQ(broken.generation, "");

  // An archive that does not read back in the first place is not copied.
  backend_.failTest = [](const std::string&) { return true; };
  RunResult untested = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(untested.exitStatus, kRunNoGeneration);
  EXPECT_EQ(ReadFile(Archive() + "Buh(Day_3-th).zip"), "previous generation");
}

TEST_F(RunTest, CancelIsLoggedAsACancelNotAsDamage) {
  job_.rotationScheme = 'W';
  WriteFile(Archive() + "Buh(Day_3-th).zip", "previous generation");
  // The person presses Cancel while the archive is read back.
  backend_.failTest = [this](const std::string&) {
    backend_.cancelled = true;
    return true;
  };
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunNoGeneration);
  EXPECT_EQ(ReadFile(Archive() + "Buh(Day_3-th).zip"), "previous generation");
  EXPECT_EQ(Log().find("does not read back"), std::string::npos) << Log();
  for (const std::string& target : {Archive() + "Buh(Day_3-th).zip", Plus() + "Buh(Day_3-th).zip"})
    EXPECT_NE(Log().find("CANCELLED : 10.12.2025 10:00:00 : Cancelled by the user: not made \"" + target + "\""),
              std::string::npos)
        << Log();
  EXPECT_TRUE(Names(Plus()).empty()) << "no copy is placed after Cancel";
}

// A copy reports its bytes; stopped, it leaves nothing beside its target
// and is logged as a cancel, not as a failed copy.
TEST_F(RunTest, CopiesReportTheirBytesAndStopOnCancel) {
  WriteFile(root_ + "src/Buh.zip", std::string(3 * 1048576 + 7, 'z'));
  ForceDirectories(Archive());
  ForceDirectories(Plus());
  const std::vector<CopyItem> items = {{root_ + "src/Buh.zip", Plus() + "Buh.zip", *ChecksumOf(root_ + "src/Buh.zip")}};
  MessageLog log(texts_, Archive(), false);
  struct Row {
    std::int64_t stopAt;  // copied bytes at which the person stops; -1 never
    bool placed;
  } rows[] = {{-1, true}, {1048576, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stopAt);
    std::vector<std::int64_t> heard;
    PendingCopy copy = MakePendingCopy(items, -1, [&](std::int64_t copied) {
      heard.push_back(copied);
      return copied != row.stopAt;
    });
    EXPECT_EQ(copy.cancelled, !row.placed);
    EXPECT_EQ(PlacePendingCopy(copy, false, log), row.placed);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), row.placed ? 3 * 1048576 + 7 : row.stopAt);
    EXPECT_EQ(Names(Plus()), row.placed ? std::vector<std::string>{"Buh.zip"} : std::vector<std::string>{});
    ::unlink((Plus() + "Buh.zip").c_str());
  }
  EXPECT_NE(Log().find(" : Cancelled by the user: not made \"" + Plus() + "Buh.zip\""), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Cannot copy"), std::string::npos) << Log();
}

TEST_F(RunTest, FullTargetIsReportedBeforeCopying) {
  run_.freeSpace = [this](const std::string& dir) -> std::optional<std::int64_t> {
    return dir == Plus() ? 10 : std::optional<std::int64_t>(1 << 30);
  };
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunIncomplete);
  EXPECT_TRUE(Names(Plus()).empty());
  EXPECT_NE(Log().find("ERROR : 10.12.2025 10:00:00 : Not enough free space for the archive in \"" + Plus() + "\": "),
            std::string::npos)
      << Log();
  EXPECT_NE(Log().find(" bytes needed, 10 bytes free"), std::string::npos);
  EXPECT_EQ(r.problems, 1);
}

TEST_F(RunTest, FailedAddKeepsGenerationsAndStillWritesTheJob) {
  WriteFile(Archive() + "Buh.zip", "previous");
  job_.uniqueScheme = 'Y';
  backend_.failAddMessage = "disk full while adding";
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunNoGeneration);
  EXPECT_EQ(ReadFile(Archive() + "Buh.zip"), "previous");
  EXPECT_EQ(writtenDates_.size(), 1u);
  EXPECT_EQ(job_.lastArchivingDate, 0) << "no unique save was made";
  EXPECT_NE(Log().find("ERROR : 10.12.2025 10:00:00 : The archive was not made \"" + run_.TemporaryDirectory() +
                       "Buh.zip\": disk full while adding\r\n"),
            std::string::npos)
      << Log();
}

TEST_F(RunTest, MissingSourceFileMakesTheRunIncomplete) {
  runList_.push_back(root_ + "data/GONE.DB");
  runList_.push_back(root_ + "doc/../data/KONTI.DB");  // the same file again
  WriteFile(root_ + "data/LOCKED.DB", "x");
  runList_.push_back(root_ + "data/LOCKED.DB");
  backend_.skipFile = [](const std::string& path) { return ExtractFileName(path) == "LOCKED.DB"; };
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunIncomplete);
  EXPECT_NE(Log().find("Files not added to the archive"), std::string::npos) << Log();
  EXPECT_NE(Log().find(": 1 of 4; Cannot open file \"" + root_ + "data/GONE.DB\"; Cannot open file \"" + root_ +
                       "data/LOCKED.DB\""),
            std::string::npos)
      << "the file is named: " << Log();
  EXPECT_NE(r.Summary().find("Archive made: " + Archive() +
                             "Buh.zip; verified: Buh.zip, Buh(Day_3-th).zip; 1 problem logged"),
            std::string::npos)
      << r.Summary();
}

class ScriptedObserver : public RunObserver {
 public:
  bool AskCopyToFloppies(const std::string& text) override {
    asked = text;
    return true;
  }
  void CopyToFloppies(const std::vector<std::string>& files) override {
    for (const std::string& f : files) offered.push_back(FileExists(f) ? ExtractFileName(f) : "missing");
  }
  void SetTitle(const std::string& t) override { titles.push_back(t); }
  void SetFileName(const std::string& f) override { fileNames.push_back(f); }
  std::string asked;
  std::vector<std::string> offered, titles, fileNames;
};

TEST_F(RunTest, FloppyQuestionOffersTheArchiveFiles) {
  ScriptedObserver observer;
  run_.SetObserver(&observer);
  job_.copyToFloppies = true;
  job_.volumesOn = true;
  job_.volumeSize = 2;
  RunOn(Date(2025, 12, 10));
  EXPECT_EQ(observer.asked, "Copy to flopy");
  EXPECT_EQ(observer.offered, (std::vector<std::string>{"Buh001.zip", "Buh002.zip"}));
  EXPECT_EQ(observer.titles, (std::vector<std::string>{"ZIPPING"}));
  EXPECT_EQ(observer.fileNames, runList_);
  EXPECT_TRUE(Names(run_.TemporaryDirectory()).empty());
}

TEST_F(RunTest, SecondRunDoesNotTouchTheTemporaryDirectoryOfTheFirst) {
  ForceDirectories(run_.TemporaryDirectory());
  WriteFile(run_.TemporaryDirectory() + "Other.zip", "being made by another run");
  DirectoryLock other(run_.TemporaryDirectory());
  ASSERT_TRUE(other.Held());
  run_.SetLockWait(0);
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunNoGeneration);
  EXPECT_EQ(ReadFile(run_.TemporaryDirectory() + "Other.zip"), "being made by another run");
  EXPECT_NE(Log().find("ERROR : 10.12.2025 10:00:00 : Another archive run is using the temporary directory"),
            std::string::npos)
      << Log();
}

TEST_F(RunTest, ATemporaryDirectoryThatCannotBeLockedIsNotWaitedFor) {
  // A file stands where the temporary directory should be made; waiting the
  // full hour for a lock that cannot come would only delay the scheduler.
  WriteFile(root_ + "prog", "a file, not a folder");
  run_.SetTemporaryDirectory(root_ + "prog/OrnZpArh_Temporary_Directory");
  RunResult r = RunOn(Date(2025, 12, 10));
  EXPECT_EQ(r.exitStatus, kRunNoGeneration);
  EXPECT_NE(Log().find("cannot be locked for the run: Not a directory"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Another archive run"), std::string::npos) << Log();
}

TEST(RunLog, ShowMessagesShowsProblemsButNotThePlusWarning) {
  std::string root = test::MakeScratchDir();
  auto scripted = std::make_unique<ScriptedDialogService>();
  ScriptedDialogService* dialogs = scripted.get();
  std::unique_ptr<DialogService> previous = SetDialogs(std::move(scripted));
  MessageTexts texts;
  MessageLog log(texts, root, true);
  log.PlusPathMissing();
  log.FileNotCopied("/a/b.zip", "/c/b.zip");
  std::unique_ptr<DialogService> used = SetDialogs(std::move(previous));
  ASSERT_EQ(dialogs->messageBoxes.size(), 1u);
  EXPECT_EQ(dialogs->messageBoxes[0].caption, "Failu sistēmas kļūda");
  EXPECT_EQ(dialogs->messageBoxes[0].message, "Nevar nokopēt failu \"/a/b.zip\"->\"/c/b.zip\"");
  EXPECT_EQ(dialogs->messageBoxes[0].iconIndex, 1);
  EXPECT_EQ(dialogs->messageBoxes[0].buttons, 0);
  EXPECT_EQ(log.ProblemCount(), 1);
  std::string text = ReadFile(root + "ZuzIzu_log.txt");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  test::RemoveTree(root);
}

TEST(RunFiles, DirectoryLevelsThatCannotBeMadeAreLoggedAndSkipped) {
  std::string root = test::MakeScratchDir();
  WriteFile(root + "arh/blocked", "file");
  MessageTexts texts;
  MessageLog log(texts, root + "arh/", false);
  CreateDirectoryPath(root + "arh/blocked/deeper/", log);
  CreateDirectoryPath(root + "arh/two levels/down/", log);
  EXPECT_TRUE(DirectoryExists(root + "arh/two levels/down"));
  EXPECT_EQ(log.ProblemCount(), 2) << "the blocked level and the one beneath it";
  std::string text = ReadFile(root + "arh/ZuzIzu_log.txt");
  EXPECT_NE(text.find("Nevar izveidot direktoriju \"" + root + "arh/blocked/\"\": File exists\r\n"), std::string::npos)
      << text;
  test::RemoveTree(root);
}

}  // namespace
}  // namespace orn
