// Runs killed on purpose at every write, fsync and rename of the platform
// layer, each followed by a second run that must succeed, leave none of the
// program's temporary files behind and hand the accounting system a register
// whose index matches its table; and two runs on one temporary directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "ArchiveRun.h"
#include "Clock.h"
#include "CreateTable.h"
#include "Extraction.h"
#include "FakeBackend.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "ParadoxFormat.h"
#include "PrimaryIndex.h"
#include "RunFiles.h"
#include "RunNames.h"
#include "SourcesTestUtil.h"
#include "Table.h"

namespace orn {
namespace {

using test::FakeBackend;

int stepsLeft = 0;
void KillAtStep(FileStep, const std::string&) {
  if (--stepsLeft == 0) ::raise(SIGKILL);
}

// Runs `run` in a child killed at its `step`th file step; true when it
// finished before that step.
bool FinishedBeforeStep(int step, const std::function<void()>& run) {
  pid_t pid = ::fork();
  if (pid == 0) {
    stepsLeft = step;
    SetFileStepHook(&KillAtStep);
    run();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return !WIFSIGNALED(status);
}

// Every file under `dir` (recursively), relative to it.
void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
  for (const FoundFile& f : FindFiles(dir, "*", FindWhat::Both)) {
    if (f.isDirectory)
      ListTree(dir + f.name + "/", prefix + f.name + "/", out);
    else
      out.push_back(prefix + f.name);
  }
}

// Leftovers of the killed run date from before this process started.
void AgeTree(const std::string& dir) {
  std::vector<std::string> files;
  ListTree(dir, "", files);
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ProcessStartTime()) - 3600;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  for (const std::string& f : files) ::utimensat(AT_FDCWD, (dir + f).c_str(), times, 0);
}

// True when the .PX is exactly the index the table's records call for.
bool IndexMatches(const std::string& dbPath, const std::string& pxPath) {
  auto db = ReadWholeFile(dbPath);
  auto px = ReadWholeFile(pxPath);
  if (!db || !px || px->size() < 0x58) return false;
  paradox::TableImage image = paradox::ParseTable(dbPath, *db);
  std::string header = px->substr(0, paradox::GetLe(*px, paradox::kOffHeaderSize, 2));
  return paradox::BuildIndex(image, header, image.records, pxPath) == *px;
}

class RunKill : public ::testing::Test {
 protected:
  void SetUp() override { previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2025, 12, 10) + 0.5)); }
  void TearDown() override { SetClock(std::move(previousClock_)); }

  // A job with a register (one record to be cleaned away, so that every run
  // rewrites the table and its index), a unique save due and a plus path.
  Job MakeWorld(const test::ScratchDir& dir) {
    ForceDirectories(dir.File("data"));
    CreateTable(dir.File("data/KONTI.DB"), {{"Konts", paradox::kAlpha, 8}}, {.keyFields = 1});
    dir.Touch("doc/note.txt", "note");
    ForceDirectories(dir.File("reg"));
    ForceDirectories(dir.File("plus"));
    test::MakeRegister(dir.File("reg/SprFiles.db"),
                       {{"KONTI.DB", "BUHDATA", "Konti", "", true}, {"", "BUHDATA", "to be cleaned", "", true}});
    Job job;
    job.jobFilePath = dir.File("buh.arh");
    job.archiveDirectory = dir.File("arh/");
    job.archiveName = "Buh";
    job.registerFile = dir.File("reg/SprFiles.db");
    job.uniqueFolder = "Unique";
    job.plusPath = dir.File("plus/");
    job.rotationScheme = 'W';
    job.uniqueScheme = 'W';
    job.jobList = {dir.File("doc/*.*")};
    WriteJobFile(job, job.jobFilePath);
    return job;
  }

  RunResult Run(Job& job, const test::ScratchDir& dir) {
    FakeBackend backend;
    MessageTexts texts;
    ArchiveRun run(backend, texts);
    run.SetLowerPriority(false);
    run.SetTemporaryDirectory(dir.File("tmp"));
    return run.Run(job);
  }

  std::unique_ptr<Clock> previousClock_;
};

TEST_F(RunKill, KilledAtEveryStepThenASecondRunSucceedsAndCleansUp) {
  bool finished = false;
  int step = 1;
  for (; !finished && step < 400; ++step) {
    test::ScratchDir dir;
    test::AliasFile aliases(dir.File("Aliases.ini"), "[BUHDATA]\nPATH=" + dir.File("data") + "\n");
    Job job = MakeWorld(dir);

    finished = FinishedBeforeStep(step, [&] { Run(job, dir); });
    AgeTree(dir.Path());

    Job again = ReadJobFile(job.jobFilePath, Job{});
    RunResult second = Run(again, dir);
    SCOPED_TRACE("killed at step " + std::to_string(step));
    EXPECT_EQ(second.exitStatus, kRunComplete) << second.Summary() << "\n"
                                               << test::ReadBytes(dir.File("arh/ZuzIzu_log.txt"));

    std::vector<std::string> files;
    ListTree(dir.Path(), "", files);
    for (const std::string& f : files) EXPECT_FALSE(IsTemporaryName(ExtractFileName(f))) << f;
    EXPECT_TRUE(FindFiles(dir.File("tmp/"), "*").empty());

    EXPECT_TRUE(IndexMatches(dir.File("reg/SprFiles.db"), dir.File("reg/SprFiles.px")));
    Table reg(dir.File("reg"), "SprFiles.db");
    reg.Open();
    EXPECT_EQ(reg.RecordCount(), 1);

    // The generation holds the pair as it is on the disk now, and nothing else
    // of the program's own.
    std::vector<std::pair<std::string, std::string>> entries;
    std::string error;
    ASSERT_TRUE(FakeBackend::ReadArchive({second.generation}, &entries, &error)) << error;
    int registerFiles = 0;
    for (const auto& [name, data] : entries) {
      EXPECT_FALSE(IsTemporaryName(ExtractFileName(name))) << name;
      if (ExtractFileName(name).rfind("SprFiles.", 0) == 0) {
        ++registerFiles;
        EXPECT_EQ(data, test::ReadBytes(dir.File("reg/" + ExtractFileName(name)))) << name;
      }
    }
    EXPECT_EQ(registerFiles, 2);
  }
  EXPECT_TRUE(finished) << "the run never finished";
  EXPECT_GT(step, 20) << "too few steps were reached to have killed the run in each phase";
}

// What can be restored from `folder`: for each set the archive chooser
// offers (its last volume), the entries read through the whole set.
std::vector<std::string> ReadableSets(const std::string& folder, const std::string& archiveName) {
  std::vector<std::string> sets;
  for (const FoundFile& f : FindFiles(folder, archiveName + "*.zip")) {
    if (std::optional<int> n = VolumeNumber(f.name); n && FileExists(folder + WithVolumeNumber(f.name, *n + 1)))
      continue;
    std::vector<std::string> volumes;
    for (int n = 1; n <= *VolumeNumber(f.name); ++n) volumes.push_back(folder + WithVolumeNumber(f.name, n));
    std::vector<std::pair<std::string, std::string>> entries;
    std::string error;
    if (!FakeBackend::ReadArchive(volumes, &entries, &error)) {
      sets.push_back(f.name + ": " + error);
      continue;
    }
    std::string data;
    for (const auto& [name, bytes] : entries)
      if (ExtractFileName(name) == "big.txt") data = bytes.substr(0, 3);
    sets.push_back(f.name + ": " + data);
  }
  return sets;
}

// A job with volumes whose new set is shorter than the one it replaces,
// killed at every step: the folder offers the old set or the new one, each
// readable through its last volume, and never a mix; the next run then
// succeeds and leaves nothing behind.
TEST_F(RunKill, AVolumeSetIsReplacedWholeAtEveryStep) {
  // The world before the killed run: a set of the old table; and the new,
  // shorter set a run that is not killed makes of the new table.
  auto makeWorld = [this](const test::ScratchDir& dir) {
    Job job = MakeWorld(dir);
    job.volumesOn = true;
    job.volumeSize = 2;  // 2000-byte volumes
    job.uniqueScheme = 'N';
    dir.Touch("doc/big.txt", "old" + std::string(4000, 'o'));
    EXPECT_EQ(Run(job, dir).exitStatus, kRunComplete);
    dir.Touch("doc/big.txt", "new" + std::string(500, 'n'));
    return job;
  };
  std::vector<std::string> before, after;
  {
    test::ScratchDir dir;
    test::AliasFile aliases(dir.File("Aliases.ini"), "[BUHDATA]\nPATH=" + dir.File("data") + "\n");
    Job job = makeWorld(dir);
    before = ReadableSets(dir.File("arh/"), "Buh");
    Job again = ReadJobFile(job.jobFilePath, Job{});
    ASSERT_EQ(Run(again, dir).exitStatus, kRunComplete);
    after = ReadableSets(dir.File("arh/"), "Buh");
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(after.size(), 1u);
    ASSERT_EQ(before.front().substr(before.front().size() - 3), "old");
    ASSERT_EQ(after.front().substr(after.front().size() - 3), "new");
    ASSERT_LT(after.front(), before.front()) << "the new set is to be the shorter one";
  }

  bool finished = false;
  int step = 1;
  for (; !finished && step < 400; ++step) {
    SCOPED_TRACE("killed at step " + std::to_string(step));
    test::ScratchDir dir;
    test::AliasFile aliases(dir.File("Aliases.ini"), "[BUHDATA]\nPATH=" + dir.File("data") + "\n");
    Job job = makeWorld(dir);

    finished = FinishedBeforeStep(step, [&] {
      Job again = ReadJobFile(job.jobFilePath, Job{});
      Run(again, dir);
    });

    // Opening the archive chooser completes or rolls back the change in the
    // archive directory; the next run does in every folder it writes to.
    CompleteInterruptedSets(job);
    RemoveStaleTemporaries(dir.File("plus/"));
    for (const std::string& folder : {dir.File("arh/"), dir.File("plus/")}) {
      const std::vector<std::string> sets = ReadableSets(folder, "Buh");
      EXPECT_TRUE(sets == before || sets == after) << folder << ": " << ::testing::PrintToString(sets);
      if (finished) {
        EXPECT_EQ(sets, after) << folder;
      }
    }

    Job again = ReadJobFile(job.jobFilePath, Job{});
    RunResult next = Run(again, dir);
    EXPECT_EQ(next.exitStatus, kRunComplete) << next.Summary();
    std::vector<std::string> files;
    ListTree(dir.Path(), "", files);
    for (const std::string& f : files) EXPECT_FALSE(IsTemporaryName(ExtractFileName(f))) << f;
    EXPECT_EQ(ReadableSets(dir.File("arh/"), "Buh"), after);
  }
  EXPECT_TRUE(finished) << "the run never finished";
  EXPECT_GT(step, 40) << "too few steps were reached to have killed the run in each phase";
}

// Records what the waiting run shows; the first time it lets messages run,
// it checks that the other run's file is untouched and lets the other run end.
class WaitingObserver : public RunObserver {
 public:
  void SetTitle(const std::string& title) override { titles.push_back(title); }
  void SetFileName(const std::string& name) override { fileNames.push_back(name); }
  void ProcessMessages() override {
    if (release) release();
    release = nullptr;
  }
  std::vector<std::string> titles, fileNames;
  std::function<void()> release;
};

TEST_F(RunKill, ASecondRunWaitsForTheFirstAndLeavesItsFilesAlone) {
  test::ScratchDir dir;
  test::AliasFile aliases(dir.File("Aliases.ini"), "[BUHDATA]\nPATH=" + dir.File("data") + "\n");
  Job job = MakeWorld(dir);
  ForceDirectories(dir.File("tmp"));

  // The first run: another process holding the temporary directory, with its
  // archive half made in it.
  int toChild[2], toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    DirectoryLock lock(dir.File("tmp"));
    test::WriteFile(dir.File("tmp/Other(Day_3-th).zip"), "being made");
    char c = lock.Held() ? 'y' : 'n';
    (void)!::write(toParent[1], &c, 1);
    (void)!::read(toChild[0], &c, 1);
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(toParent[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');

  FakeBackend backend;
  MessageTexts texts;
  ArchiveRun run(backend, texts);
  run.SetLowerPriority(false);
  run.SetTemporaryDirectory(dir.File("tmp"));
  WaitingObserver observer;
  std::string seenWhileWaiting;
  observer.release = [&] {
    seenWhileWaiting = test::ReadBytes(dir.File("tmp/Other(Day_3-th).zip"));
    char c = 'x';
    (void)!::write(toChild[1], &c, 1);
    ::waitpid(pid, nullptr, 0);
  };
  run.SetObserver(&observer);
  RunResult r = run.Run(job);

  EXPECT_EQ(seenWhileWaiting, "being made");
  EXPECT_EQ(r.exitStatus, kRunComplete) << r.Summary();
  ASSERT_FALSE(observer.titles.empty());
  EXPECT_EQ(observer.titles.front(), "WAITING");
  ASSERT_FALSE(observer.fileNames.empty());
  EXPECT_NE(observer.fileNames.front().find("Another run is working; waiting 60 min at most"), std::string::npos);
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
}

// Two runs of one job that do not share a temporary directory (two users,
// two copies of the program): the second waits for the folders the first
// writes into, and neither removes what the other is writing.
TEST_F(RunKill, RunsWithTemporaryDirectoriesOfTheirOwnTakeTurns) {
  test::ScratchDir dir;
  test::AliasFile aliases(dir.File("Aliases.ini"), "[BUHDATA]\nPATH=" + dir.File("data") + "\n");
  Job job = MakeWorld(dir);
  int toChild[2], toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    // The first run, stopped while it zips: its folders are held.
    FakeBackend backend;
    bool held = false;
    backend.skipFile = [&](const std::string&) {
      char c = 'z';
      if (!held) {
        held = true;
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
      }
      return false;
    };
    MessageTexts texts;
    ArchiveRun run(backend, texts);
    run.SetLowerPriority(false);
    run.SetTemporaryDirectory(dir.File("tmp-first"));
    ::_exit(run.Run(job).exitStatus);
  }
  char c = 0;
  ASSERT_EQ(::read(toParent[0], &c, 1), 1);

  FakeBackend backend;
  MessageTexts texts;
  ArchiveRun run(backend, texts);
  run.SetLowerPriority(false);
  run.SetTemporaryDirectory(dir.File("tmp-second"));
  WaitingObserver observer;
  int firstStatus = -1;
  observer.release = [&] {
    (void)!::write(toChild[1], &c, 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    firstStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  run.SetObserver(&observer);
  Job second = ReadJobFile(job.jobFilePath, Job{});
  RunResult r = run.Run(second);

  EXPECT_EQ(firstStatus, kRunComplete);
  EXPECT_EQ(r.exitStatus, kRunComplete) << r.Summary();
  ASSERT_FALSE(observer.titles.empty());
  EXPECT_EQ(observer.titles.front(), "WAITING");
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
}

}  // namespace
}  // namespace orn
