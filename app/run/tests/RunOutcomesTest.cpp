// Every way a run can fall short, told truthfully: the exit status, the
// line in the log that names what was not done, and where that log is when
// the archive directory cannot hold it. The run gathers its files the way
// the program does (register and job list), so that what is missing is
// found by the real source lists.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "ArchiveRun.h"
#include "Clock.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "RunNames.h"
#include "SourcesTestUtil.h"

namespace orn {
namespace {

using test::FakeBackend;
using test::ReadFile;
using test::WriteFile;

class RunOutcomes : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeScratchDir();
    ASSERT_FALSE(root_.empty());
    WriteFile(root_ + "data/KONTI.DB", std::string(1500, 'k'));
    WriteFile(root_ + "doc/note.txt", "note");
    job_.jobFilePath = root_ + "buh.arh";
    job_.archiveDirectory = root_ + "arh/";
    job_.archiveName = "Buh";
    job_.plusPath = root_ + "plus/";
    ForceDirectories(job_.plusPath);
    job_.jobList = {root_ + "data/KONTI.DB", root_ + "doc/*.txt", ""};
    // The per-user log of this test, not of the person running it.
    const char* state = std::getenv("XDG_STATE_HOME");
    previousState_ = state ? state : "";
    hadState_ = state != nullptr;
    setenv("XDG_STATE_HOME", (root_ + "state").c_str(), 1);
    run_.SetTemporaryDirectory(root_ + "prog/OrnZpArh_Temporary_Directory");
    run_.SetLowerPriority(false);
    run_.writeJob = [](Job&) {};
    run_.tableChecks.wait = [](int) {};
    previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2025, 12, 10) + EncodeTime(10, 0, 0)));
  }
  void TearDown() override {
    SetClock(std::move(previousClock_));
    if (hadState_)
      setenv("XDG_STATE_HOME", previousState_.c_str(), 1);
    else
      unsetenv("XDG_STATE_HOME");
    test::RemoveTree(root_);
  }

  // Open to the table's arrange steps.
 public:
  std::string root_;
  Job job_;
  FakeBackend backend_;
  MessageTexts texts_;
  ArchiveRun run_{backend_, texts_};
  std::unique_ptr<Clock> previousClock_;
  std::unique_ptr<test::AliasFile> aliases_;
  std::string previousState_;
  bool hadState_ = false;
};

TEST_F(RunOutcomes, EachShortfallIsLoggedAndSetsTheStatus) {
  struct Row {
    const char* what;
    std::function<void(RunOutcomes&)> arrange;
    int status;
    std::string logged;  // a piece of the log line, "" for an empty log
    bool inUserLog;      // the line went to the per-user log
  };
  const Row rows[] = {
      {"everything there", [](RunOutcomes&) {}, kRunComplete, "", false},
      {"a pattern matching nothing in an existing folder is no failure",
       [](RunOutcomes& t) { t.job_.jobList.push_back(t.root_ + "doc/*.xls"); }, kRunComplete, "", false},
      {"a listed file that is gone", [](RunOutcomes& t) { t.job_.jobList.push_back(t.root_ + "data/GONE (old).DB"); },
       kRunIncomplete,
       "Failu sistēmas kļūda : 10.12.2025 10:00:00 : File of the list not found \"ROOT/data/GONE (old).DB\"\r\n",
       false},
      {"a pattern whose folder is gone", [](RunOutcomes& t) { t.job_.jobList.push_back(t.root_ + "gone/*.*"); },
       kRunIncomplete, "Folder of the list's pattern not found \"ROOT/gone/\"", false},
      {"an unknown alias stops the run before zipping",
       [](RunOutcomes& t) {
         t.aliases_ = std::make_unique<test::AliasFile>(t.root_ + "Aliases.ini", "[BUHDATA]\nPATH=/nowhere\n");
         t.job_.registerFile = t.root_ + "reg/SprFiles.db";
         ForceDirectories(t.root_ + "reg");
         test::MakeRegister(t.job_.registerFile, {{"KONTI.DB", "NOSUCH", "", "", true}});
       },
       kRunNoGeneration, "ERROR : 10.12.2025 10:00:00 : The files to archive could not be gathered: ", false},
      {"a register that refuses its clean-up",
       [](RunOutcomes& t) {
         t.aliases_ =
             std::make_unique<test::AliasFile>(t.root_ + "Aliases.ini", "[BUHDATA]\nPATH=" + t.root_ + "data\n");
         t.job_.registerFile = t.root_ + "reg/SprFiles.db";
         ForceDirectories(t.root_ + "reg");
         test::MakeRegister(t.job_.registerFile,
                            {{"", "BUHDATA", "blank", "", true}, {"KONTI.DB", "BUHDATA", "", "", true}});
         ::chmod(t.job_.registerFile.c_str(), 0444);
       },
       kRunIncomplete,
       "ERROR : 10.12.2025 10:00:00 : The register could not be cleaned \"ROOT/reg/SprFiles.db\": ", false},
      {"an archive directory that cannot be made",
       [](RunOutcomes& t) {
         WriteFile(t.root_ + "blocked", "a file where a folder should be");
         t.job_.archiveDirectory = t.root_ + "blocked/arh/";
       },
       kRunNoGeneration, "ERROR : 10.12.2025 10:00:00 : The log cannot be written in \"ROOT/blocked/arh/\": ", true},
      {"a log that is a symbolic link is not followed",
       [](RunOutcomes& t) {
         WriteFile(t.root_ + "victim", "untouched");
         ForceDirectories(t.job_.archiveDirectory);
         ASSERT_EQ(::symlink((t.root_ + "victim").c_str(), (t.job_.archiveDirectory + kLogFileName).c_str()), 0);
         t.job_.plusPath.clear();  // its warning is the line to be logged
       },
       kRunIncomplete, "it is a symbolic link", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    row.arrange(*this);
    RunResult r = run_.Run(job_);
    aliases_.reset();
    std::string logged = row.logged;
    for (size_t at; (at = logged.find("ROOT/")) != std::string::npos;) logged.replace(at, 5, root_);
    const std::string archiveLog = ReadFile(job_.archiveDirectory + kLogFileName);
    const std::string userLog = ReadFile(UserLogPath());
    EXPECT_EQ(r.exitStatus, row.status) << archiveLog << userLog;
    const std::string& log = row.inUserLog ? userLog : archiveLog;
    if (logged.empty())
      EXPECT_EQ(archiveLog + userLog, "");
    else
      EXPECT_NE(log.find(logged), std::string::npos) << log;
    EXPECT_EQ(r.logFile.empty(), logged.empty() && archiveLog.empty());
    if (row.inUserLog) {
      EXPECT_EQ(r.logFile, UserLogPath());
      // The last line on standard error says where the log went.
      EXPECT_NE(r.Summary().find("; log: " + UserLogPath()), std::string::npos) << r.Summary();
    }
  }
  EXPECT_EQ(UserLogPath(), root_ + "state/archivator/ZuzIzu_log.txt");
}

TEST_F(RunOutcomes, ASymbolicLinkUnderACopysNameIsReplacedNotWrittenThrough) {
  WriteFile(root_ + "victim", "untouched");
  ASSERT_EQ(::symlink((root_ + "victim").c_str(), (job_.plusPath + "Buh(Day_3-th).zip").c_str()), 0);
  RunResult r = run_.Run(job_);
  EXPECT_EQ(r.exitStatus, kRunComplete) << ReadFile(job_.archiveDirectory + kLogFileName);
  EXPECT_EQ(ReadFile(root_ + "victim"), "untouched");
  struct stat st {};
  ASSERT_EQ(::lstat((job_.plusPath + "Buh(Day_3-th).zip").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(RunOutcomes, AnUnreadableSourceIsNamed) {
  WriteFile(root_ + "data/LOCKED.DB", "secret");
  job_.jobList.push_back(root_ + "data/LOCKED.DB");
  const bool asRoot = ::geteuid() == 0;
  // Permissions do not bind root: as root, the run is made by an ordinary
  // user who owns the scratch folder but may not read the table.
  if (asRoot) {
    ASSERT_EQ(::lchown(root_.c_str(), 65534, 65534), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
      ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
  }
  ::chmod((root_ + "data/LOCKED.DB").c_str(), 0);
  auto body = [&] {
    RunResult r = run_.Run(job_);
    EXPECT_EQ(r.exitStatus, kRunIncomplete);
    EXPECT_NE(ReadFile(job_.archiveDirectory + kLogFileName)
                  .find("Cannot read file \"" + root_ + "data/LOCKED.DB\": Permission denied"),
              std::string::npos);
  };
  if (!asRoot) return body();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace orn
