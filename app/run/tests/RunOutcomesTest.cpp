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
#include "CreateTable.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "OrdinaryUser.h"
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
    job_ = Job{};
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

  // A register of `rows` for the job, with BUHDATA at `dataPath`.
  void UseRegister(const std::string& dataPath, const std::vector<test::RegisterRow>& rows) {
    aliases_ = std::make_unique<test::AliasFile>(root_ + "Aliases.ini", "[BUHDATA]\nPATH=" + dataPath + "\n");
    job_.registerFile = root_ + "reg/SprFiles.db";
    ForceDirectories(root_ + "reg");
    test::MakeRegister(job_.registerFile, rows);
  }
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
         t.UseRegister("/nowhere", {{"KONTI.DB", "NOSUCH", "", "", true}});
       },
       kRunNoGeneration, "ERROR : 10.12.2025 10:00:00 : The files to archive could not be gathered: ", false},
      {"a table the register archives that is gone",
       [](RunOutcomes& t) {
         t.UseRegister(t.root_ + "data", {{"GONE.DB", "BUHDATA", "", "", true}});
       },
       kRunIncomplete, "File of the list not found \"ROOT/data/GONE.DB\"", false},
      {"a register that refuses its clean-up",
       [](RunOutcomes& t) {
         t.UseRegister(t.root_ + "data", {{"", "BUHDATA", "blank", "", true}, {"KONTI.DB", "BUHDATA", "", "", true}});
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

// Permissions do not bind root: as root, `body` runs in a child that has
// become an ordinary user, with the scratch folder open to it but for what
// `prepare` closes.
template <typename Prepare, typename Body>
void AsOrdinaryUser(const std::string& root, Prepare prepare, Body body) {
  if (::geteuid() == 0) {
    ASSERT_EQ(std::system(("chmod -R a+rwX '" + root + "'").c_str()), 0);
  }
  prepare();
  test::AsOrdinaryUser(body);
}

TEST_F(RunOutcomes, AnUnreadableSourceIsNamed) {
  struct Row {
    const char* what;
    const char* file;  // made unreadable
    bool isRegister;
    int status;
    std::string logged;
  } rows[] = {
      {"a file of the list", "data/LOCKED.DB", false, kRunIncomplete,
       "Cannot read file \"ROOT/data/LOCKED.DB\": Permission denied"},
      // Less to back up is no backup: nothing is made, nothing replaced.
      {"the register", "reg/SprFiles.db", true, kRunNoGeneration,
       "ERROR : 10.12.2025 10:00:00 : The files to archive could not be gathered: The register cannot be read: "
       "Permission denied (ROOT/reg/SprFiles.db)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    const std::string file = root_ + row.file;
    if (row.isRegister) {
      ForceDirectories(root_ + "reg");
      test::MakeRegister(file, {{"KONTI.DB", "BUHDATA", "", "", true}});
      job_.registerFile = file;
    } else {
      WriteFile(file, "secret");
      job_.jobList.push_back(file);
    }
    std::string logged = row.logged;
    for (size_t at; (at = logged.find("ROOT/")) != std::string::npos;) logged.replace(at, 5, root_);
    AsOrdinaryUser(
        root_, [&] { ::chmod(file.c_str(), 0); },
        [&] {
          RunResult r = run_.Run(job_);
          EXPECT_EQ(r.exitStatus, row.status);
          const std::string log = ReadFile(job_.archiveDirectory + kLogFileName);
          EXPECT_NE(log.find(logged), std::string::npos) << log;
          if (row.status == kRunNoGeneration) {
            EXPECT_NE(r.problemTexts.at(0).find("Permission denied"), std::string::npos);
          }
        });
  }
}

// A week of an unmounted share must not leave every rotation slot empty:
// a register that is gone makes nothing and replaces nothing.
TEST_F(RunOutcomes, AMissingRegisterReplacesNoArchive) {
  aliases_ = std::make_unique<test::AliasFile>(root_ + "Aliases.ini", "[BUHDATA]\nPATH=" + root_ + "data\n");
  job_.registerFile = root_ + "reg/SprFiles.db";
  ForceDirectories(root_ + "reg");
  ::unlink((root_ + "data/KONTI.DB").c_str());  // a whole table, for the first run to be complete
  CreateTable(root_ + "data/KONTI.DB", {{"Konts", paradox::kAlpha, 8}}, {.keyFields = 1});
  test::MakeRegister(job_.registerFile, {{"KONTI.DB", "BUHDATA", "", "", true}});
  job_.uniqueScheme = 'W';
  RunResult first = run_.Run(job_);
  ASSERT_EQ(first.exitStatus, kRunComplete) << ReadFile(job_.archiveDirectory + kLogFileName);
  const std::string generation = ReadFile(first.generation), plus = ReadFile(first.plusCopy);

  ASSERT_EQ(::rename(job_.registerFile.c_str(), (root_ + "reg/moved").c_str()), 0);
  job_.lastArchivingDate = 0;  // a unique save due again
  RunResult second = run_.Run(job_);
  EXPECT_EQ(second.exitStatus, kRunNoGeneration);
  EXPECT_TRUE(second.generation.empty() && second.plusCopy.empty() && second.uniqueSave.empty());
  EXPECT_EQ(ReadFile(first.generation), generation);
  EXPECT_EQ(ReadFile(first.plusCopy), plus);
  EXPECT_NE(second.problemTexts.at(0).find("The register cannot be found: No such file or directory (" +
                                           job_.registerFile + ")"),
            std::string::npos)
      << ::testing::PrintToString(second.problemTexts);
}

// The books readable by their owner only stay so in every archive, copy and
// folder the run makes: a bit for group or others only when every source has it.
TEST_F(RunOutcomes, ArchivesAllowNoMoreThanTheMostPrivateSource) {
  const mode_t mask = ::umask(022);
  struct Row {
    mode_t table, notes;
    mode_t archive, folder;
  } rows[] = {
      {0600, 0644, 0600, 0700},
      {0640, 0644, 0640, 0750},
      {0644, 0644, 0644, 0755},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.table));
    TearDown();
    SetUp();
    ::chmod((root_ + "data/KONTI.DB").c_str(), row.table);
    ::chmod((root_ + "doc/note.txt").c_str(), row.notes);
    job_.archiveDirectory = root_ + "arh/new/";
    job_.plusPath = root_ + "plus/deeper/";
    ForceDirectories(root_ + "plus");
    ::rmdir((root_ + "plus/deeper").c_str());
    job_.uniqueScheme = 'W';
    RunResult r = run_.Run(job_);
    ASSERT_EQ(r.exitStatus, kRunComplete) << ReadFile(job_.archiveDirectory + kLogFileName);
    auto mode = [](const std::string& path) {
      struct stat st {};
      return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0777777;
    };
    EXPECT_EQ(mode(r.generation), row.archive);
    EXPECT_EQ(mode(r.uniqueSave), row.archive);
    EXPECT_EQ(mode(r.plusCopy), row.archive);
    EXPECT_EQ(mode(root_ + "plus/deeper/"), row.folder);
    EXPECT_EQ(mode(root_ + "arh/"), row.folder);
    EXPECT_EQ(mode(root_ + "arh/new/"), row.folder);
    EXPECT_EQ(mode(ExtractFilePath(r.uniqueSave)), row.folder);
    EXPECT_EQ(mode(run_.TemporaryDirectory()), 0700u);
  }
  ::umask(mask);
}

// What a killed run left goes with the next run, however soon it starts,
// from every folder it writes to: the writer named in each file is gone.
TEST_F(RunOutcomes, AKilledRunsFilesGoFromEveryFolderTheNextRunWrites) {
  ForceDirectories(job_.archiveDirectory);
  const std::vector<std::string> folders = {job_.archiveDirectory, job_.plusPath, root_};
  pid_t pid = ::fork();
  if (pid == 0) {
    for (const std::string& folder : folders) WriteFile(TemporaryNameBeside(folder + "Buh(Day_3-th).zip"), "half");
    ::_exit(0);
  }
  ::waitpid(pid, nullptr, 0);
  // The job file named as the program was started in its folder.
  const std::string cwd = CurrentDir();
  ASSERT_EQ(::chdir(root_.c_str()), 0);
  job_.jobFilePath = "buh.arh";
  RunResult r = run_.Run(job_);
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(r.exitStatus, kRunComplete) << ReadFile(job_.archiveDirectory + kLogFileName);
  for (const std::string& folder : folders)
    for (const FoundFile& f : FindFiles(folder, "*")) EXPECT_FALSE(IsTemporaryName(f.name)) << folder << f.name;
}

}  // namespace
}  // namespace orn
