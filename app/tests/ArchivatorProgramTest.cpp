// archivator as a scheduler or a person at a terminal starts it: the exit
// status, what goes to standard output and to standard error, that a command
// line which cannot run leaves nothing behind, and restores over SSH: no
// display, no terminal or a pseudo-terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace {

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the program in `dir` with no display and the given parameters.
ProgramRun Archivator(const std::string& dir, const std::vector<std::string>& args, const std::string& env = "") {
  ProgramRun run;
  const std::string program = std::string(ORN_BIN_DIR) + "/archivator";
  if (!orn::FileExists(program)) return run;
  const std::string beside = orn::ExcludeTrailingDelimiter(dir);  // outside the folder that is checked
  std::string command = "cd " + Quote(dir) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                        " XDG_STATE_HOME=" + Quote(beside + ".state") + " " + Quote(program);
  for (const std::string& a : args) command += " " + Quote(a);
  command += " </dev/null >" + Quote(beside + ".out") + " 2>" + Quote(beside + ".err");
  int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = orn::ReadWholeFile(beside + ".out").value_or("");
  run.err = orn::ReadWholeFile(beside + ".err").value_or("");
  return run;
}

class ArchivatorProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ornprogXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = std::string(tmpl) + "/";
    dir_ = root_ + "cwd/";
    ASSERT_TRUE(orn::ForceDirectories(dir_));
  }
  void TearDown() override { std::system(("rm -rf " + Quote(root_)).c_str()); }

  std::vector<std::string> Left() const {
    std::vector<std::string> names;
    for (const orn::FoundFile& f : orn::FindFiles(dir_, "*", orn::FindWhat::Both)) names.push_back(f.name);
    return names;
  }

  std::string root_, dir_;
};

TEST_F(ArchivatorProgram, CommandLinesThatDoNotOpenAWindow) {
  struct Row {
    const char* what;
    std::vector<std::string> args;
    std::string env;
    int status;
    std::string outStart;  // the start of standard output
    std::string err;       // all of standard error, or its start when it ends in "..."
  };
  const Row rows[] = {
      {"help",
       {"--help"},
       "",
       0,
       "Usage: archivator [JOB.arh [AUTO [COMMAND [FILE...]]]] [DOSHOWMESSAGES] [OPTIONS]\n",
       ""},
      {"version", {"--version"}, "", 0, "archivator (Ombrelant ZIP archivator) Version 2.5\n", ""},
      {"unknown option",
       {"--frobnicate", "job.arh"},
       "",
       3,
       "",
       "archivator: Unknown option \"--frobnicate\"\nUsage: archivator ..."},
      {"a dashed first parameter is no job file",
       {"-Buh.arh", "AUTO", "ARHIV"},
       "",
       3,
       "",
       "archivator: Unknown option \"-Buh.arh\"\nUsage: archivator ..."},
      {"archive run on a missing job",
       {"Grāmatvedība (2024).arh", "AUTO", "ARHIV"},
       "",
       3,
       "",
       "archivator: The job file \"Grāmatvedība (2024).arh\" does not exist; ARHIV was not run\n"},
      {"unknown command",
       {"Buh.arh", "AUTO", "ARHIVE"},
       "",
       3,
       "",
       "archivator: Unknown command \"ARHIVE\"\nUsage: ..."},
      {"restore on a missing job",
       {"gone.arh", "auto", "unarhivall"},
       "",
       3,
       "",
       "archivator: The job file \"gone.arh\" does not exist; UNARHIVALL was not run\n"},
      {"checking the tables of a missing job",
       {"--check-tables", "gone.arh"},
       "",
       3,
       "",
       "archivator: Cannot open file \"gone.arh\": No such file or directory\n"},
      {"on the offscreen platform chosen by the caller",
       {"--", "-gone.arh", "AUTO", "UNARHIV"},
       "QT_QPA_PLATFORM=offscreen",
       3,
       "",
       "archivator: The job file \"-gone.arh\" does not exist; UNARHIV was not run\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ProgramRun run = Archivator(dir_, row.args, row.env);
    ASSERT_NE(run.status, -1) << "archivator was not built";
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(run.out.substr(0, row.outStart.size()), row.outStart);
    if (row.outStart.empty()) {
      EXPECT_EQ(run.out, "");
    }
    const size_t n = row.err.size() - 3;
    if (row.err.size() > 3 && row.err.compare(n, 3, "...") == 0)
      EXPECT_EQ(run.err.substr(0, n), row.err.substr(0, n)) << run.err;
    else
      EXPECT_EQ(run.err, row.err);
    // Nothing is created: no job file, no settings, nothing at all.
    EXPECT_EQ(Left(), std::vector<std::string>{});
  }
}

// AUTO ends the program whatever the platform the caller names, also after
// creating a new job, and without a display on the desktop one.
TEST_F(ArchivatorProgram, AutoEndsAfterANewJobWhateverThePlatform) {
  for (const char* platform : {"offscreen", "xcb"}) {
    SCOPED_TRACE(platform);
    const std::string job = std::string("Jauns darbs ") + platform + ".arh";
    ProgramRun run = Archivator(dir_, {job, "AUTO", "NEW"}, std::string("QT_QPA_PLATFORM=") + platform);
    ASSERT_NE(run.status, -1) << "archivator was not built";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(orn::FileExists(dir_ + job));
    EXPECT_EQ(run.err, "") << "no start-up notes of the toolkit";
  }
}

// Runs the program on a pseudo-terminal, as in "ssh -t", with no display;
// answers `answer` when it asks. Standard output and error both land in
// `out`.
ProgramRun ArchivatorOnTerminal(const std::string& dir, const std::vector<std::string>& args,
                                const std::string& answer) {
  ProgramRun run;
  const std::string program = std::string(ORN_BIN_DIR) + "/archivator";
  int master = -1;
  const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (child < 0) return run;
  if (child == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("QT_QPA_PLATFORM", "none-such", 1);
    ::setenv("XDG_STATE_HOME", (orn::ExcludeTrailingDelimiter(dir) + ".state").c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  bool answered = false;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the program has closed the terminal
    run.out.append(buffer, static_cast<size_t>(n));
    if (!answered && run.out.find("[y/N]") != std::string::npos) {
      const std::string line = answer + "\n";
      if (::write(master, line.data(), line.size()) < 0) break;
      answered = true;
    }
  }
  ::close(master);
  int raw = 0;
  ::waitpid(child, &raw, 0);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

void SetAge(const std::string& path, int seconds) {
  const timeval times[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
  ::utimes(path.c_str(), times);
}

// A job of three files backed up by the program itself (its generation
// Buh.zip) and an older unique save made by ornzip.
class RestoreOverSsh : public ArchivatorProgram {
 protected:
  void SetUp() override {
    ArchivatorProgram::SetUp();
    data_ = root_ + "data/";
    ASSERT_TRUE(orn::ForceDirectories(data_));
    for (const char* name : {"KONTI.DB", "KONTI.PX", "note.txt"}) Write(name, std::string("saved ") + name);
    Write("old.txt", "from the old save");
    orn::ForceDirectories(root_ + "arh/Unique/");
    const std::string zip = std::string(ORN_BIN_DIR) + "/ornzip add " + Quote(root_ + "arh/Unique/" + kOld) + " " +
                            Quote(data_ + "old.txt") + " " + Quote(data_ + "note.txt") + " >/dev/null";
    ASSERT_EQ(std::system(zip.c_str()), 0);
    SetAge(root_ + "arh/Unique/" + kOld, 86400);
    orn::DeleteFileAt(data_ + "old.txt");
    const std::string job = "\r\n{" + std::string(56, '*') + "}\r\nINITIALIZATION\r\nARHIVE DIRECTORY=" + root_ +
                            "arh/\r\nARHIVE NAME=Buh\r\nARHIVE PARAMS=Unique|NN\r\nLIST\r\n" + data_ + "KONTI.DB\r\n" +
                            data_ + "KONTI.PX\r\n" + data_ + "note.txt\r\n";
    ASSERT_TRUE(orn::WriteFileAtomically(Job(), job));
    // The backup of a scheduler, on a platform that does not exist: no
    // plugin is ever loaded without a window.
    ProgramRun backup = Archivator(dir_, {Job(), "AUTO", "ARHIV"}, "QT_QPA_PLATFORM=none-such");
    ASSERT_EQ(backup.status, 0) << backup.err;
    ASSERT_TRUE(orn::FileExists(root_ + "arh/Buh.zip")) << backup.err;
    for (const char* name : {"KONTI.DB", "KONTI.PX", "note.txt"}) Write(name, std::string("changed ") + name);
  }

  void Write(const std::string& name, const std::string& text) {
    ASSERT_TRUE(orn::WriteFileAtomically(data_ + name, text));
  }
  std::string Read(const std::string& path) const { return orn::ReadWholeFile(path).value_or("(missing)"); }
  std::string Job() const { return root_ + "buh.arh"; }

  static constexpr const char* kOld = "Buh(DATE=1,1,2020).zip";
  std::string data_;
};

TEST_F(RestoreOverSsh, WithoutATerminal) {
  const std::string to = dir_ + "check/";
  struct Row {
    const char* what;
    std::vector<std::string> args;
    std::function<void()> before;
    int status;
    std::vector<std::pair<std::string, std::string>> files;  // path -> content afterwards
    std::string err;                                         // a part of standard error
  } rows[] = {
      {"a listing, newest first", {"--list"}, {}, 0, {}, ""},
      {"nobody to ask: what exists is kept, the rest restored",
       {"AUTO", "UNARHIVALL"},
       [this] {
         orn::DeleteFileAt(data_ + "KONTI.DB");
         orn::DeleteFileAt(data_ + "KONTI.PX");
       },
       4,
       {{data_ + "note.txt", "changed note.txt"}, {data_ + "KONTI.DB", "saved KONTI.DB"}},
       "nobody could be asked"},
      {"into another folder",
       {"AUTO", "UNARHIVALL", "--to", "check"},
       {},
       0,
       {{to + data_.substr(1) + "KONTI.DB", "saved KONTI.DB"}, {data_ + "KONTI.DB", "changed KONTI.DB"}},
       "Restored 3 of 3 files from " + root_ + "arh/Buh.zip into " + to},
      {"an older save, one file, always",
       {"AUTO", "UNARHIV", "old.txt", "--archive", kOld, "--overwrite", "always"},
       {},
       0,
       {{data_ + "old.txt", "from the old save"}, {data_ + "note.txt", "changed note.txt"}},
       "Restored 1 of 1 files"},
      {"never: what is missing comes back",
       {"AUTO", "UNARHIVALL", "--overwrite", "never"},
       [this] { orn::DeleteFileAt(data_ + "note.txt"); },
       4,
       {{data_ + "note.txt", "saved note.txt"}, {data_ + "KONTI.DB", "changed KONTI.DB"}},
       "2 existing files kept"},
      {"older: a table newer than its save stays, with its index",
       {"AUTO", "UNARHIVALL", "--overwrite", "older"},
       [this] {
         SetAge(data_ + "note.txt", 7200);
         SetAge(data_ + "KONTI.PX", 7200);
       },
       4,
       {{data_ + "note.txt", "saved note.txt"},
        {data_ + "KONTI.DB", "changed KONTI.DB"},
        {data_ + "KONTI.PX", "changed KONTI.PX"}},
       "2 existing files kept"},
      {"UNARHIV without a file", {"AUTO", "UNARHIV"}, {}, 5, {}, "UNARHIV: no file named"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const char* name : {"KONTI.DB", "KONTI.PX", "note.txt"}) Write(name, std::string("changed ") + name);
    if (row.before) row.before();
    std::vector<std::string> args{Job()};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const ProgramRun run = Archivator(dir_, args, "QT_QPA_PLATFORM=none-such");
    EXPECT_EQ(run.status, row.status) << run.err;
    for (const auto& [path, content] : row.files) EXPECT_EQ(Read(path), content) << path;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "no progress line without a terminal";
    if (row.args.front() == "--list") {
      EXPECT_LT(run.out.find("Buh.zip"), run.out.find(kOld)) << run.out;
      EXPECT_NE(run.out.find("unique save in " + root_ + "arh/Unique/"), std::string::npos) << run.out;
    }
  }
}

TEST_F(RestoreOverSsh, OnATerminalItAsks) {
  for (const char* answer : {"n", "y"}) {
    SCOPED_TRACE(answer);
    const ProgramRun run = ArchivatorOnTerminal(dir_, {Job(), "AUTO", "UNARHIVALL"}, answer);
    ASSERT_NE(run.status, -1);
    // The question is in the window's language; the folders are the data's.
    EXPECT_NE(run.out.find(": 3 (" + data_ + ") [y/N]"), std::string::npos) << run.out;
    const bool yes = std::string(answer) == "y";
    if (yes) {
      EXPECT_NE(run.out.find("\rRESTORING  0 / 3"), std::string::npos) << "the progress line: " << run.out;
    }
    EXPECT_EQ(run.status, yes ? 0 : 5) << run.out;
    EXPECT_EQ(Read(data_ + "KONTI.PX"), yes ? "saved KONTI.PX" : "changed KONTI.PX");
  }
}

}  // namespace
