// The job session's decisions without any window: which command runs, which
// status the program ends with, which archive and files a restore takes and
// what happens to files that exist. The back-end is the fake one; nothing of
// the window system is linked.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <fstream>
#include <map>
#include <stdexcept>

#include "ArchiveRun.h"
#include "DialogService.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "JobSession.h"
#include "RunProgress.h"
#include "Unattended.h"

namespace orn {
namespace {

using test::FakeBackend;
using test::WriteFile;

TEST(JobSession, NoPartOfTheWindowSystemIsLoaded) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) EXPECT_EQ(line.find("libQt6"), std::string::npos) << line;
}

TEST(JobSession, WhichCommandAndWhichStatus) {
  const JobCommands all{true, true, true, true, true};
  const JobCommands none{true, true, false, false, false};
  struct Row {
    const char* pending;
    JobCommands allowed;
    int actionStatus;
    bool failed;
    SessionCommand command;
    bool refused;
    int status;
  } rows[] = {
      {"", all, 0, false, SessionCommand::None, false, kCommandDone},
      {"NEW", none, 0, false, SessionCommand::New, false, kCommandDone},
      {"NEW", none, 0, true, SessionCommand::New, false, kCommandNotRun},
      {"ARHIV", all, kRunIncomplete, false, SessionCommand::Archive, false, kRunIncomplete},
      {"ARHIV", all, 0, true, SessionCommand::Archive, false, kCommandNoGeneration},
      {"ARHIV", none, 0, false, SessionCommand::None, true, kCommandNotRun},
      {"UNARHIV", all, kRestorePartial, false, SessionCommand::ExtractChosen, false, kRestorePartial},
      {"UNARHIVALL", all, kRestoreNothing, false, SessionCommand::ExtractWhole, false, kRestoreNothing},
      {"UNARHIVALL", all, 0, true, SessionCommand::ExtractWhole, false, kCommandNotRun},
      {"UNARHIVALL", none, 0, false, SessionCommand::None, true, kCommandNotRun},
      {"DOSHOWMESSAGES", all, 0, false, SessionCommand::None, true, kCommandNotRun},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pending) + (row.failed ? " failed" : ""));
    const CommandChoice choice = ChooseCommand(row.pending, row.allowed);
    EXPECT_EQ(choice.command, row.command);
    EXPECT_EQ(!choice.refusal.empty(), row.refused) << choice.refusal;
    EXPECT_EQ(CommandStatus(choice, row.actionStatus, row.failed), row.status);
  }
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeScratchDir();
    Job job;
    job.archiveDirectory = root_ + "arh/";
    job.archiveName = "Buh";
    job.uniqueFolder = "Unique";
    job.jobList = {root_ + "data/KONTI.DB"};
    WriteJobFile(job, root_ + "job.arh");
  }
  void TearDown() override { test::RemoveTree(root_); }

  // An archive of the job, as old as `age` seconds.
  void Archive(const std::string& relative, int age,
               const std::vector<std::pair<std::string, std::string>>& entries = kEntries) {
    const std::string path = root_ + "arh/" + relative;
    FakeBackend::WriteArchive(path, entries);
    const timeval times[2] = {{std::time(nullptr) - age, 0}, {std::time(nullptr) - age, 0}};
    ::utimes(path.c_str(), times);
  }
  JobSession Session(std::vector<std::string> args) {
    args.insert(args.begin(), root_ + "job.arh");
    JobSession session(ParseCommandLine(args), /*withWindow=*/false);
    session.SetBackend(&backend_);
    session.ReadStartupJob();
    return session;
  }

  static inline const std::vector<std::pair<std::string, std::string>> kEntries = {
      {"data/KONTI.DB", "table"}, {"data/KONTI.PX", "index"}, {"data/PARTN.DB", "partners"}, {"note.txt", "n"}};
  std::string root_;
  FakeBackend backend_;
};

// The front of a run without a window, with the answers of a script.
class ScriptedFront : public TerminalFront {
 public:
  explicit ScriptedFront(const MessageTexts& texts) : TerminalFront(texts, nullptr, nullptr) {}
  bool ConfirmOverwrite(const std::vector<std::string>& existing) override {
    asked.push_back(existing.size());
    return replace;
  }
  bool CanAsk() const override { return true; }
  bool replace = false;
  std::vector<size_t> asked;
};

TEST_F(SessionTest, TheCommandLinesCommandRunsThroughItsAction) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool withArchive;
    std::string ran;
    int status;
  } rows[] = {
      {"backup", {"AUTO", "ARHIV"}, false, "archive", kRunIncomplete},
      {"whole restore", {"AUTO", "UNARHIVALL"}, true, "restore whole", kRestorePartial},
      {"chosen files", {"x", "unarhiv", "KONTI.DB"}, true, "restore chosen", kRestorePartial},
      {"restore without an archive", {"AUTO", "UNARHIVALL"}, false, "", kCommandNotRun},
      {"no command", {"AUTO"}, true, "", kCommandDone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::RemoveTree(root_ + "arh/");
    if (row.withArchive) Archive("Buh(Day_1-th).zip", 10);
    JobSession session = Session(row.args);
    std::string ran;
    CommandActions actions;
    actions.archive = [&] {
      ran = "archive";
      return kRunIncomplete;
    };
    actions.restore = [&](bool whole) {
      ran = whole ? "restore whole" : "restore chosen";
      return kRestorePartial;
    };
    session.RunPendingCommand(actions);
    EXPECT_EQ(ran, row.ran);
    EXPECT_EQ(session.ExitStatus(), row.status);
    EXPECT_TRUE(session.EndsAfterCommand()) << "nobody at the screen";
  }
}

// Nobody changes disks for a command that ends the program (AUTO, or no
// display): its archive run asks the engine nothing. A run from the window
// asks the person there.
TEST_F(SessionTest, OnlyARunThatEndsTheProgramIsUnattended) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool withWindow, fromCommand, unattended;
  } rows[] = {
      {"AUTO without a display", {"AUTO", "ARHIV"}, false, true, true},
      {"AUTO with a window", {"AUTO", "ARHIV"}, true, true, true},
      {"a command the window stays open after", {"x", "ARHIV"}, true, true, false},
      {"the window's archive button", {}, true, false, false},
  };
  WriteFile(root_ + "data/KONTI.DB", "table");
  const DictionaryTexts texts;
  class Front : public ScriptedFront {
   public:
    using ScriptedFront::ScriptedFront;
    std::string temporary;
    void ConfigureRun(ArchiveRun& run) override { run.SetTemporaryDirectory(temporary); }
  } front(texts);
  front.temporary = root_ + "tmp/";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    backend_.addedUnattended.clear();
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), root_ + "job.arh");
    JobSession session(ParseCommandLine(args), row.withWindow);
    session.SetBackend(&backend_);
    session.ReadStartupJob();
    if (row.fromCommand)
      session.RunPendingCommand(front);
    else
      session.Archive(front);
    EXPECT_EQ(backend_.addedUnattended, std::vector<bool>{row.unattended});
    EXPECT_FALSE(backend_.unattended) << "put back after the run";
  }
}

TEST_F(SessionTest, AFailedCommandIsCountedAndShown) {
  JobSession session = Session({"AUTO", "ARHIV"});
  CommandActions actions;
  actions.archive = []() -> int { throw std::runtime_error("unknown alias"); };
  EXPECT_THROW(session.RunPendingCommand(actions), std::runtime_error);
  EXPECT_EQ(session.ExitStatus(), kCommandNoGeneration);

  WriteFile(root_ + "other.arh", "no job in here");
  JobSession unreadable(ParseCommandLine({root_ + "other.arh", "AUTO", "ARHIV"}), false);
  EXPECT_ANY_THROW(unreadable.ReadStartupJob());
  EXPECT_EQ(unreadable.ExitStatus(), kCommandNotRun);
}

TEST_F(SessionTest, NewRewritesTheJobAndTheWindowStays) {
  JobSession session(ParseCommandLine({root_ + "new.arh", "AUTO"}), /*withWindow=*/true);
  session.RunPendingCommand(CommandActions());
  EXPECT_TRUE(FileExists(root_ + "new.arh"));
  EXPECT_EQ(session.CurrentJob().jobFilePath, root_ + "new.arh");
  EXPECT_EQ(session.ExitStatus(), kCommandDone);
  EXPECT_FALSE(session.EndsAfterCommand());
}

TEST_F(SessionTest, TheNewestArchiveOrTheNamedOne) {
  Archive("Buh(Day_1-th).zip", 3000);
  Archive("Buh(Day_2-th).zip", 2000);
  Archive("Unique/Buh(DATE=1,12,2025).zip", 1000);
  JobSession session = Session({});
  const Job& job = session.CurrentJob();
  EXPECT_EQ(NewestArchive(job), root_ + "arh/Unique/Buh(DATE=1,12,2025).zip");
  EXPECT_EQ(FindArchive(job, "Buh(Day_1-th).zip"), root_ + "arh/Buh(Day_1-th).zip");
  EXPECT_EQ(FindArchive(job, "Buh(DATE=1,12,2025).zip"), root_ + "arh/Unique/Buh(DATE=1,12,2025).zip");
  EXPECT_EQ(FindArchive(job, "Other.zip"), "");

  const std::string listing = ListingOfArchives(job, backend_);
  const size_t unique = listing.find("Buh(DATE=1,12,2025).zip"), day2 = listing.find("Buh(Day_2-th).zip"),
               day1 = listing.find("Buh(Day_1-th).zip");
  EXPECT_LT(unique, day2);
  EXPECT_LT(day2, day1) << listing;
  EXPECT_NE(listing.find("unique save in " + root_ + "arh/Unique/"), std::string::npos) << listing;
  EXPECT_NE(listing.find("  4  generation"), std::string::npos) << "four entries: " << listing;
}

// A restore from the command line: archive, files, target folder and what
// happens to the files there, and the summary line that says so.
TEST_F(SessionTest, RestoresAsTheCommandLineSays) {
  const std::string to = root_ + "to/";
  const std::string newest = root_ + "arh/Buh(Day_2-th).zip";
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> existing;  // files under --to before the restore
    bool answer;                        // the terminal's answer, when asked
    std::vector<std::string> written;   // entries extracted
    int status;
    std::string summary;  // how the summary line begins
  } rows[] = {
      {"the newest, whole",
       {"AUTO", "UNARHIVALL", "--to", to},
       {},
       false,
       {"data/KONTI.DB", "data/KONTI.PX", "data/PARTN.DB", "note.txt"},
       kCommandDone,
       "Restored 4 of 4 files from " + newest + " into " + to + "; 0 problems"},
      {"a named archive",
       {"AUTO", "UNARHIVALL", "--archive", "Buh(Day_1-th).zip", "--to", to},
       {},
       false,
       {"old.txt"},
       kCommandDone,
       "Restored 1 of 1 files from " + root_ + "arh/Buh(Day_1-th).zip"},
      {"an archive that is not there",
       {"AUTO", "UNARHIVALL", "--archive", "Buh(Day_5-th).zip", "--to", to},
       {},
       false,
       {},
       kRestoreNothing,
       "Nothing restored: no archive \"Buh(Day_5-th).zip\" among the job's generations and unique saves; 1 problem"},
      {"an archive that cannot be read",
       {"AUTO", "UNARHIVALL", "--archive", "Buh(Day_3-th).zip", "--to", to},
       {},
       false,
       {},
       kRestoreNothing,
       "Nothing restored from " + root_ + "arh/Buh(Day_3-th).zip: the archive cannot be read; 1 problem"},
      {"a name that leads outside is left out",
       {"AUTO", "UNARHIVALL", "--archive", "Buh(Day_4-th).zip", "--to", to},
       {},
       false,
       {"note.txt"},
       kRestorePartial,
       "Restored 1 of 1 files from " + root_ + "arh/Buh(Day_4-th).zip into " + to + "; 1 problem logged"},
      {"a folder that cannot be made",
       {"AUTO", "UNARHIVALL", "--to", "/proc/x/y"},
       {},
       false,
       {},
       kRestoreNothing,
       "Nothing restored from " + newest + ": the folder /proc/x/y could not be made (No such file or directory); 1 "},
      {"a table brings its index, a missing name is a problem",
       {"AUTO", "UNARHIV", "konti.db", "gone.txt", "--to", to},
       {},
       false,
       {"data/KONTI.DB", "data/KONTI.PX"},
       kRestorePartial,
       "Restored 2 of 2 files"},
      {"no file named",
       {"AUTO", "UNARHIV", "--to", to},
       {},
       false,
       {},
       kRestoreNothing,
       "Nothing restored from " + newest + ": no file chosen"},
      {"asked, and No",
       {"AUTO", "UNARHIVALL", "--to", to},
       {"note.txt"},
       false,
       {},
       kRestoreNothing,
       "Nothing restored from " + newest + ": 1 existing files kept"},
      {"asked, and Yes",
       {"AUTO", "UNARHIVALL", "--to", to},
       {"note.txt"},
       true,
       {"data/KONTI.DB", "data/KONTI.PX", "data/PARTN.DB", "note.txt"},
       kCommandDone,
       "Restored 4 of 4 files"},
      {"never: the table stays with its index",
       {"AUTO", "UNARHIVALL", "--to", to, "--overwrite", "never"},
       {"data/KONTI.PX"},
       true,
       {"data/PARTN.DB", "note.txt"},
       kRestorePartial,
       "Restored 2 of 4 files from " + newest + " into " + to + "; 1 existing files kept"},
      {"never, and everything exists",
       {"AUTO", "UNARHIV", "note.txt", "--to", to, "--overwrite", "never"},
       {"note.txt"},
       true,
       {},
       kRestoreNothing,
       "Nothing restored from " + newest + ": 1 existing files kept"},
      {"always",
       {"AUTO", "UNARHIV", "note.txt", "--to", to, "--overwrite", "always"},
       {"note.txt"},
       false,
       {"note.txt"},
       kCommandDone,
       "Restored 1 of 1 files"},
  };
  Archive("Buh(Day_1-th).zip", 2000, {{"old.txt", "o"}});
  Archive("Buh(Day_2-th).zip", 1000);
  Archive("Buh(Day_4-th).zip", 6000, {{"../evil.txt", "e"}, {"note.txt", "n"}});
  WriteFile(root_ + "arh/Buh(Day_3-th).zip", "damaged");
  const timeval old[2] = {{std::time(nullptr) - 5000, 0}, {std::time(nullptr) - 5000, 0}};
  ::utimes((root_ + "arh/Buh(Day_3-th).zip").c_str(), old);
  std::vector<std::string> said;
  SetDiagnosticSink([&said](const std::string& line) { said.push_back(line); });
  const DictionaryTexts texts;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::RemoveTree(to);
    for (const std::string& f : row.existing) WriteFile(to + f, "mine");
    backend_.extracted.clear();
    said.clear();
    JobSession session = Session(row.args);
    ScriptedFront front(texts);
    front.replace = row.answer;
    session.RunPendingCommand(front);
    const std::vector<std::string> written =
        backend_.extracted.empty() ? std::vector<std::string>() : backend_.extracted.front();
    EXPECT_EQ(written, row.written);
    EXPECT_EQ(session.ExitStatus(), row.status);
    EXPECT_EQ(front.asked.size(),
              row.existing.empty() || row.args.back() == "never" || row.args.back() == "always" ? 0u : 1u);
    if (!row.written.empty()) {
      EXPECT_EQ(backend_.extractBaseDirs.back(), to);
    }
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().substr(0, row.summary.size()), row.summary) << said.back();
  }
  SetDiagnosticSink(nullptr);
}

TEST(EntriesToWrite, GroupsAreKeptOrReplacedTogether) {
  const std::vector<ArchiveEntry> entries = {
      {"d/KONTI.DB", 1, 1000}, {"d/konti.PX", 1, 1000}, {"d/PARTN.DB", 1, 1000}, {"d/NOTE.TXT", 1, 0}};
  struct Row {
    const char* name;
    OverwriteMode mode;
    std::map<std::string, std::int64_t> onDisk;
    std::vector<std::string> write;
  } rows[] = {
      {"nothing there", OverwriteMode::Never, {}, {"d/KONTI.DB", "d/konti.PX", "d/PARTN.DB", "d/NOTE.TXT"}},
      {"never: an index keeps its table", OverwriteMode::Never, {{"/b/d/konti.PX", 1}}, {"d/PARTN.DB", "d/NOTE.TXT"}},
      {"older: both older",
       OverwriteMode::Older,
       {{"/b/d/KONTI.DB", 999}, {"/b/d/konti.PX", 10}},
       {"d/KONTI.DB", "d/konti.PX", "d/PARTN.DB", "d/NOTE.TXT"}},
      {"older: one of the group newer",
       OverwriteMode::Older,
       {{"/b/d/KONTI.DB", 999}, {"/b/d/konti.PX", 2000}},
       {"d/PARTN.DB", "d/NOTE.TXT"}},
      {"older: same time is not older",
       OverwriteMode::Older,
       {{"/b/d/PARTN.DB", 1000}},
       {"d/KONTI.DB", "d/konti.PX", "d/NOTE.TXT"}},
      {"older: an entry without a time is kept",
       OverwriteMode::Older,
       {{"/b/d/NOTE.TXT", 1}},
       {"d/KONTI.DB", "d/konti.PX", "d/PARTN.DB"}},
      {"always",
       OverwriteMode::Always,
       {{"/b/d/NOTE.TXT", 1}},
       {"d/KONTI.DB", "d/konti.PX", "d/PARTN.DB", "d/NOTE.TXT"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto modified = [&row](const std::string& path) -> std::optional<std::int64_t> {
      auto it = row.onDisk.find(path);
      if (it == row.onDisk.end()) return std::nullopt;
      return it->second;
    };
    EXPECT_EQ(EntriesToWrite(entries, "/b/", row.mode, modified), row.write);
  }
}

TEST(TerminalProgress, OneLineSaysHowFarTheJobHasCome) {
  const std::map<std::string, std::string> latvian = {{"prg_Zipping", "ARHIVĒ"},
                                                      {"prg_Copying", "KOPĒ"},
                                                      {"prg_Restoring", "ATJAUNO"},
                                                      {"prg_TimeLeft", "Atlikušais laiks:"},
                                                      {"unit_MB", "MB"},
                                                      {"unit_Bytes", "baiti"},
                                                      {"prg_Checking", "PĀRBAUDA TABULAS"}};
  struct Row {
    const char* language;
    UnitWord words;
    std::string checking;
    std::vector<std::string> lines;
  } rows[] = {
      {"English",
       {},
       "CHECKING TABLES",
       {"ZIPPING  0 / 4", "ZIPPING  0 / 4  (0 bytes / 4.0 MB)", "ZIPPING  3 / 4  (1.5 MB / 4.0 MB)  Time left: 0:03",
        "COPYING", "RESTORING  2 / 3  Time left: 0:04"}},
      {"Latvian",
       [&latvian](const char* key, const char* english) {
         auto it = latvian.find(key);
         return it == latvian.end() ? std::string(english) : it->second;
       },
       "PĀRBAUDA TABULAS",
       {"ARHIVĒ  0 / 4", "ARHIVĒ  0 / 4  (0 baiti / 4.0 MB)",
        "ARHIVĒ  3 / 4  (1.5 MB / 4.0 MB)  Atlikušais laiks: 0:03", "KOPĒ", "ATJAUNO  2 / 3  Atlikušais laiks: 0:04"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.language);
    std::int64_t now = 0;
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    {
      TerminalProgress line(
          out, [&now] { return now; }, row.words);
      line.RunStarted();
      line.SetTitle("CHECKING");
      EXPECT_EQ(line.Line(), row.checking);
      // Zipping learns its bytes from the engine once it has looked at the
      // files, and counts bytes inside a file as they are done.
      line.StageStarted(ProgressStage::Zipping, 4, -1);
      EXPECT_EQ(line.Line(), row.lines[0]);
      line.StageSized(4, 4 << 20);
      EXPECT_EQ(line.Line(), row.lines[1]);
      now = 2000;
      line.ItemStarted(0);
      line.ItemStarted(1 << 20);
      line.BytesDone(3 << 19);
      line.ItemStarted(0);  // an item's start never takes bytes back
      EXPECT_EQ(line.Line(), row.lines[2]);
      line.StageEnded(ProgressStage::Zipping);
      EXPECT_EQ(line.Line(), row.lines[3]);
      line.StageStarted(ProgressStage::Restoring, 3, -1);
      now = 4000;
      line.ItemStarted(0);
      line.ItemStarted(0);
      EXPECT_EQ(line.Line(), row.lines[4]);
      line.RunFinished();
    }
    std::fclose(out);
    const std::string written(buffer, size);
    std::free(buffer);
    // Each line is drawn over the last, and the last is wiped at the end.
    EXPECT_EQ(written.rfind("\r" + row.checking + "\033[K\r" + row.lines[0] + "\033[K", 0), 0u) << written;
    EXPECT_EQ(written.substr(written.size() - 4), "\r\033[K");
    EXPECT_EQ(written.find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace orn
