// archivator as a scheduler or a person at a terminal starts it: the exit
// status, what goes to standard output and to standard error, and that a
// command line which cannot run leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
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
  command += " >" + Quote(beside + ".out") + " 2>" + Quote(beside + ".err");
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
      {"help", {"--help"}, "", 0, "Usage: archivator [JOB.arh [AUTO [COMMAND]]] [DOSHOWMESSAGES]\n", ""},
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
    if (row.outStart.empty()) EXPECT_EQ(run.out, "");
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

}  // namespace
