// Temporary names, paired replacements killed at every step, the removal of
// leftovers and rewriting a file in place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "FileReplace.h"
#include "FileSystem.h"

using namespace orn;

namespace {

struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/orn-replace-XXXXXX";
    path = std::string(::mkdtemp(tmpl)) + "/";
  }
  ~TempDir() { std::system(("chmod -R u+w '" + path + "'; rm -rf '" + path + "'").c_str()); }
};

std::string Read(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const FoundFile& f : FindFiles(dir, "*")) names.push_back(f.name);
  return names;
}

// Sets a file's time an hour before this process started: a leftover of a
// run that died earlier.
void MakeOld(const std::string& path) {
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ProcessStartTime()) - 3600;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

int stepsLeft = 0;
void KillAtStep(FileStep, const std::string&) {
  if (--stepsLeft == 0) ::raise(SIGKILL);
}

// Runs `work` in a child killed at its `step`th file step; true when the
// child was killed (false: the work has fewer steps and finished).
template <typename Work>
bool KilledAt(int step, Work work) {
  pid_t pid = ::fork();
  if (pid == 0) {
    stepsLeft = step;
    SetFileStepHook(&KillAtStep);
    work();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status);
}

}  // namespace

TEST(TemporaryNames, RecognisedByTheOnePattern) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {
      {".~orn-0123abcd.SprFiles.db", true},
      {".~orn-journal.SprFiles.db", true},
      {".Buh(Day_2-th).zip.0123abcd.tmp", true},  // earlier versions' names
      {"~orn-Buh(Day_2-th).zip", true},
      {"SprFiles.db.ornA1b2C3", true},
      {"ornzA1b2C3", true},
      {"ornzA1b2C3.txt", false},
      {"SprFiles.db", false},
      {"SprFiles.px", false},
      {"Buh(Day_2-th).zip", false},
      {"Buh001.zip", false},
      {".bashrc", false},
      {"notes.tmp", false},
      {".notes.tmp", false},
      {"KONTI.orn", false},
      {"KONTI.DB.orn12", false},
      {".~orn-", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsTemporaryName(c.name), c.temporary) << c.name;

  const std::string first = TemporaryNameBeside("/arh/Buh001.zip");
  EXPECT_EQ(first.rfind("/arh/.~orn-", 0), 0u);
  EXPECT_EQ(first.substr(first.size() - 11), ".Buh001.zip");
  EXPECT_TRUE(IsTemporaryName(ExtractFileName(first)));
  // The volumes of one set share the digits, so they still find each other.
  const std::string second = TemporaryNameBeside("/arh/Buh002.zip", first);
  EXPECT_EQ(second.substr(0, second.size() - 10), first.substr(0, first.size() - 10));
  EXPECT_NE(TemporaryNameBeside("/arh/Buh.zip"), TemporaryNameBeside("/arh/Buh.zip"));
  EXPECT_EQ(FinalNameOfTemporary(ExtractFileName(second)), "Buh002.zip");
  EXPECT_EQ(FinalNameOfTemporary(".~orn-0123abcd.SprFiles.db"), "SprFiles.db");
  EXPECT_EQ(FinalNameOfTemporary("~orn-Buh.zip"), "");
  EXPECT_EQ(FinalNameOfTemporary("Buh.zip"), "");
}

// The owner named in a temporary name decides whether its file may go: a
// killed run's file goes at once, a live run's file stays however old.
TEST(TemporaryNames, TheOwnerDecidesWhetherAFileIsStale) {
  const std::string mine = ExtractFileName(TemporaryNameBeside("/arh/Buh.zip"));
  pid_t child = ::fork();
  if (child == 0) {
    ::pause();
    ::_exit(0);
  }
  ::usleep(50000);
  timespec clock{};
  ::clock_gettime(CLOCK_REALTIME, &clock);
  const double now = clock.tv_sec + clock.tv_nsec / 1e9;
  // A name of the child, as it would make it.
  std::string childs = mine;
  char pid[16];
  std::snprintf(pid, sizeof pid, "%08x", static_cast<unsigned>(child));
  childs.replace(23, 8, pid);
  std::string foreign = mine;
  foreign.replace(15, 8, mine.substr(15, 8) == "00000000" ? "00000001" : "00000000");
  struct Case {
    const char* what;
    std::string name;
    double changed;
    bool alive;
  } cases[] = {
      {"this process", mine, now, true},
      {"a running child, now", childs, now, true},
      {"a number given to a process that started after the file changed", childs, now - 3600, false},
      {"another machine's, an hour ago", foreign, now - 3600, true},
      {"another machine's, two days ago", foreign, now - 2 * 86400, false},
      {"an older version's name, before this process", ".~orn-0123abcd.Buh.zip", ProcessStartTime() - 1, false},
      {"an older version's name, since this process", ".~orn-0123abcd.Buh.zip", ProcessStartTime() + 1, true},
  };
  for (const Case& c : cases) EXPECT_EQ(TemporaryOwnerAlive(c.name, c.changed, c.changed), c.alive) << c.what;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(TemporaryOwnerAlive(childs, now, now)) << "a killed child";
}

// The files of a folder, each with its contents.
std::string Contents(const std::string& dir) {
  std::string all;
  for (const std::string& n : Names(dir)) all += n + "=" + Read(dir + n) + " ";
  return all;
}

// A table with its index, and a volume set replaced by a shorter one: killed
// at every step, then tidied up as the next run does, the folder holds the
// old files or the new ones, whole, and nothing else.
TEST(PairedReplace, KilledAtEveryStepLeavesTheOldOrTheNewFilesAndNoLeftover) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> before;
    std::function<void(const std::string& dir)> change;
    std::string after;
  } cases[] = {
      {"a table and its index",
       {{"SprFiles.db", "old table"}, {"SprFiles.px", "old index"}},
       [](const std::string& dir) {
         ReplaceFilesTogether({{dir + "SprFiles.db", "new table"}, {dir + "SprFiles.px", "new index"}});
       },
       "SprFiles.db=new table SprFiles.px=new index "},
      {"a set of three volumes by one of two",
       {{"Buh001.zip", "old 1"}, {"Buh002.zip", "old 2"}, {"Buh003.zip", "old 3"}},
       [](const std::string& dir) {
         std::vector<PreparedFile> files;
         for (const char* name : {"Buh001.zip", "Buh002.zip"}) {
           const std::string temp = TemporaryNameBeside(dir + name, files.empty() ? "" : files.front().temp);
           WriteNewFile(temp, std::string("new ") + name[5], "");
           files.push_back({temp, dir + name});
         }
         PutInPlaceTogether(files, {dir + "Buh003.zip"});
       },
       "Buh001.zip=new 1 Buh002.zip=new 2 "},
  };
  for (const Case& c : cases) {
    bool finished = false;
    std::string old;
    for (int step = 1; !finished && step < 100; ++step) {
      SCOPED_TRACE(std::string(c.what) + ", killed at step " + std::to_string(step));
      TempDir t;
      for (const auto& [name, bytes] : c.before) ASSERT_TRUE(WriteFileAtomically(t.path + name, bytes));
      old = Contents(t.path);
      finished = !KilledAt(step, [&] { c.change(t.path); });

      // What the next run does: complete, then tidy up; no file needs to be
      // older than it for that.
      std::vector<std::string> problems;
      RemoveStaleTemporaries(t.path, &problems);
      EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front());
      const std::string now = Contents(t.path);
      EXPECT_TRUE(now == old || now == c.after) << now;
      if (finished) {
        EXPECT_EQ(now, c.after);
      }
    }
    EXPECT_TRUE(finished) << c.what;
  }
}

TEST(PairedReplace, AJournalIsFollowedOnlyToTheProgramsOwnNames) {
  struct Case {
    const char* journal;
    bool followed;
  } cases[] = {
      {"ORN PAIRED REPLACE\n.~orn-0123abcd.T.db\tT.db\n", true},
      {"ORN PAIRED REPLACE\n.~orn-0123abcd.T.db\t../T.db\n", false},
      {"ORN PAIRED REPLACE\n.~orn-0123abcd.T.db\tOther.db\n", false},
      {"ORN PAIRED REPLACE\nvictim\tT.db\n", false},
      {"ORN PAIRED REPLACE\n", false},
      {"something else\n.~orn-0123abcd.T.db\tT.db\n", false},
      {"ORN PAIRED REPLACE 2\n.~orn-0123abcd.T.db\tT.db\nEND\n", true},
      // A removal only of another volume of a name the change replaces.
      {"ORN PAIRED REPLACE 2\n.~orn-0123abcd.T.db\tT.db\n\tvictim\nEND\n", false},
      {"ORN PAIRED REPLACE 1\n.~orn-0123abcd.T.db\tT.db\n\tvictim\n", false},
  };
  for (const Case& c : cases) {
    TempDir t;
    ASSERT_TRUE(WriteFileAtomically(t.path + "T.db", "old"));
    ASSERT_TRUE(WriteFileAtomically(t.path + ".~orn-0123abcd.T.db", "new"));
    ASSERT_TRUE(WriteFileAtomically(t.path + "victim", "victim"));
    ASSERT_TRUE(WriteFileAtomically(t.path + ".~orn-journal.T.db", c.journal));
    std::string error;
    EXPECT_EQ(FinishInterruptedReplaces(t.path, &error), c.followed) << c.journal;
    EXPECT_EQ(Read(t.path + "T.db"), c.followed ? "new" : "old") << c.journal;
    EXPECT_EQ(Read(t.path + "victim"), "victim");
    // An unfinished change keeps its files: the cleaner removes nothing.
    std::vector<std::string> problems;
    for (const std::string& n : Names(t.path)) MakeOld(t.path + n);
    RemoveStaleTemporaries(t.path, &problems);
    EXPECT_EQ(problems.empty(), c.followed);
    EXPECT_EQ(FileExists(t.path + ".~orn-journal.T.db"), !c.followed);
  }
}

// A journal cut short while it was written: the change never began.
TEST(PairedReplace, AJournalCutShortIsDroppedAndTheOldFilesStand) {
  TempDir t;
  ASSERT_TRUE(WriteFileAtomically(t.path + "T.db", "old"));
  ASSERT_TRUE(WriteFileAtomically(t.path + ".~orn-0123abcd.T.db", "new"));
  ASSERT_TRUE(
      WriteFileAtomically(t.path + ".~orn-journal.0123abcd.T.db", "ORN PAIRED REPLACE 2\n.~orn-0123abcd.T.db\tT"));
  for (const std::string& n : Names(t.path)) MakeOld(t.path + n);
  std::vector<std::string> problems;
  EXPECT_EQ(RemoveStaleTemporaries(t.path, &problems), 1);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(Contents(t.path), "T.db=old ");
}

TEST(Leftovers, EachProcessHasItsOwnStartTime) {
  const double mine = ProcessStartTime();
  EXPECT_LE(mine, static_cast<double>(::time(nullptr)) + 1);
  EXPECT_GT(mine, static_cast<double>(::time(nullptr)) - 24 * 3600);
  // A child started later: its files of a minute ago are not its own.
  ::sleep(1);
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(ProcessStartTime() > mine + 0.5 ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // To the clock tick, not to the second: a run started just after a killed
  // one must not take the killed run's files for its own.
  timespec before{};
  ::clock_gettime(CLOCK_REALTIME, &before);
  pid = ::fork();
  if (pid == 0) ::_exit(ProcessStartTime() >= before.tv_sec + before.tv_nsec / 1e9 - 0.05 ? 0 : 1);
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Leftovers, OnlyOldFilesOfTheProgramsPatternGo) {
  TempDir t;
  for (const char* name : {".~orn-0123abcd.Buh.zip", "SprFiles.db.ornA1b2C3", "Buh.zip", "notes.tmp"}) {
    ASSERT_TRUE(WriteFileAtomically(t.path + name, name));
    MakeOld(t.path + name);
  }
  // One being written by a run that is alive now.
  ASSERT_TRUE(WriteFileAtomically(t.path + ".~orn-89abcdef.Buh.zip", "in use"));
  ::mkdir((t.path + ".~orn-0123abcd.folder").c_str(), 0777);
  EXPECT_EQ(RemoveStaleTemporaries(t.path), 2);
  EXPECT_EQ(Names(t.path), (std::vector<std::string>{".~orn-89abcdef.Buh.zip", "Buh.zip", "notes.tmp"}));
  EXPECT_TRUE(DirectoryExists(t.path + ".~orn-0123abcd.folder"));
}

// Folder permissions do not bind root: as root, the case runs in a child
// that has become an ordinary user.
template <typename Body>
void AsOrdinaryUser(Body body) {
  if (::geteuid() != 0) return body();
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(InPlace, AFileInAFolderThatCannotTakeNewNames) {
  TempDir t;
  TempDir copies;
  ::chmod(t.path.c_str(), 0777);
  ::chmod(copies.path.c_str(), 0777);
  const std::string folder = t.path + "jobs";
  const std::string job = folder + "/buh.arh";
  ::mkdir(folder.c_str(), 0777);
  ASSERT_TRUE(WriteFileAtomically(job, "a long old job file text"));
  ::chmod(job.c_str(), 0666);
  ::chmod(folder.c_str(), 0555);
  AsOrdinaryUser([&] {
    EXPECT_FALSE(WriteFileAtomically(job, "new"));
    std::string error;
    EXPECT_TRUE(WriteFileInPlace(job, "new", copies.path, &error)) << error;
    EXPECT_EQ(Read(job), "new");
    EXPECT_TRUE(Names(copies.path).empty());

    // Killed while writing: the old contents wait in the copy.
    EXPECT_TRUE(KilledAt(3, [&] { WriteFileInPlace(job, "newer", copies.path); }));
    ASSERT_EQ(Names(copies.path).size(), 1u);
    EXPECT_EQ(Read(copies.path + Names(copies.path).front()), "new");
  });
}
