// The command lines with which the accounting system starts unattended runs.
#include <gtest/gtest.h>

#include <map>

#include "CommandLine.h"

namespace orn {
namespace {

TEST(JobCommandLineTest, Forms) {
  auto existing = [](const std::string& path) { return path == "job.arh" || path == "DOSHOWMESSAGES.arh"; };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string pending;
    bool timer, exitAfter, readJob, show;
  } rows[] = {
      {"nothing", {}, "", false, false, false, false},
      {"job only", {"job.arh"}, "", false, false, true, false},
      {"auto without command starts no timer", {"job.arh", "AUTO"}, "", false, true, true, false},
      {"lower-case words", {"job.arh", "auto", "arhiv"}, "ARHIV", true, true, true, false},
      {"command without auto", {"job.arh", "x", "unarhivall"}, "UNARHIVALL", true, false, true, false},
      {"missing job file becomes a new job", {"new.arh"}, "NEW", true, false, false, false},
      {"a new job keeps its window even with AUTO", {"new.arh", "AUTO"}, "NEW", true, false, false, false},
      {"missing job file with NEW", {"new.arh", "AUTO", "new"}, "NEW", true, false, false, false},
      {"first parameter DOSHOWMESSAGES is a missing job", {"DOSHOWMESSAGES"}, "NEW", true, false, false, true},
      {"messages anywhere, trimmed", {"job.arh", "AUTO", "ARHIV", " doShowMessages "}, "ARHIV", true, true, true, true},
      {"existing job with NEW", {"job.arh", "AUTO", "NEW"}, "NEW", true, true, true, false},
      {"options stand anywhere", {"--grab", "x.png", "job.arh", "AUTO", "ARHIV"}, "ARHIV", true, true, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StartupCommand cmd = ParseCommandLine(row.args, existing);
    EXPECT_EQ(cmd.error, "");
    EXPECT_EQ(cmd.pendingCommand, row.pending);
    EXPECT_EQ(cmd.startTimer, row.timer);
    EXPECT_EQ(cmd.exitAfterCommand, row.exitAfter);
    EXPECT_EQ(cmd.readJobFile, row.readJob);
    EXPECT_EQ(cmd.showMessages, row.show);
  }
}

// What never reaches the window: the usual options, and command lines that
// cannot run. None of them names a job file that would be created.
TEST(JobCommandLineTest, OptionsAndCommandsThatCannotRun) {
  std::vector<std::string> asked;
  auto existing = [&asked](const std::string& path) {
    asked.push_back(path);
    return path == "job.arh" || path == "-job.arh";
  };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool help, version;
    std::string error;  // "" when the line can run
    bool usage;
    std::string jobFile;
  } rows[] = {
      {"--help", {"--help"}, true, false, "", false, ""},
      {"-h after a job", {"job.arh", "-h"}, true, false, "", false, ""},
      {"--version", {"--version"}, false, true, "", false, ""},
      {"help wins over an unknown option",
       {"--frobnicate", "--help"},
       true,
       false,
       "Unknown option \"--frobnicate\"",
       true,
       ""},
      {"unknown option", {"-x", "job.arh"}, false, false, "Unknown option \"-x\"", true, ""},
      {"a dashed job file is an option",
       {"-job.arh", "AUTO", "ARHIV"},
       false,
       false,
       "Unknown option \"-job.arh\"",
       true,
       ""},
      {"after -- it is a job file", {"--", "-job.arh", "AUTO", "ARHIV"}, false, false, "", false, "-job.arh"},
      {"--grab without its file", {"job.arh", "--grab"}, false, false, "Option --grab needs a file name", true, ""},
      {"--check-tables without its job",
       {"--check-tables"},
       false,
       false,
       "Option --check-tables needs a job file",
       true,
       ""},
      {"--check-tables runs nothing else", {"--check-tables", "job.arh", "AUTO", "ARHIV"}, false, false, "", false, ""},
      {"unknown command", {"job.arh", "AUTO", "ARHIVE"}, false, false, "Unknown command \"ARHIVE\"", true, "job.arh"},
      {"archive run on a missing job",
       {"gone (2024) Buh.arh", "AUTO", "ARHIV"},
       false,
       false,
       "The job file \"gone (2024) Buh.arh\" does not exist; ARHIV was not run",
       false,
       "gone (2024) Buh.arh"},
      {"restore on a missing job",
       {"gone.arh", "AUTO", "unarhiv"},
       false,
       false,
       "The job file \"gone.arh\" does not exist; UNARHIV was not run",
       false,
       "gone.arh"},
      {"whole restore on a missing job, without AUTO",
       {"gone.arh", "x", "UNARHIVALL"},
       false,
       false,
       "The job file \"gone.arh\" does not exist; UNARHIVALL was not run",
       false,
       "gone.arh"},
      {"--list of a missing job",
       {"gone.arh", "--list"},
       false,
       false,
       "The job file \"gone.arh\" does not exist",
       false,
       "gone.arh"},
      {"--list runs no command",
       {"job.arh", "AUTO", "ARHIV", "--list"},
       false,
       false,
       "Option --list runs no command; leave out ARHIV",
       true,
       "job.arh"},
      {"restore options on a backup",
       {"job.arh", "AUTO", "ARHIV", "--to", "/tmp"},
       false,
       false,
       "Options --archive, --to and --overwrite go with UNARHIV or UNARHIVALL",
       true,
       "job.arh"},
      {"a bad overwrite mode",
       {"job.arh", "AUTO", "UNARHIVALL", "--overwrite=sometimes"},
       false,
       false,
       "Option --overwrite takes never, always or older, not \"sometimes\"",
       true,
       ""},
      {"files after UNARHIVALL",
       {"job.arh", "AUTO", "UNARHIVALL", "KONTI.DB"},
       false,
       false,
       "UNARHIVALL restores a whole archive; name the files to restore after UNARHIV instead",
       true,
       "job.arh"},
      {"--archive without its name",
       {"job.arh", "AUTO", "UNARHIVALL", "--archive"},
       false,
       false,
       "Option --archive needs a value",
       true,
       ""},
      {"a switch with a value", {"--no-window=yes"}, false, false, "Option --no-window takes no value", true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    asked.clear();
    StartupCommand cmd = ParseCommandLine(row.args, existing);
    EXPECT_EQ(cmd.help, row.help);
    EXPECT_EQ(cmd.version, row.version);
    EXPECT_EQ(cmd.error, row.error);
    EXPECT_EQ(cmd.usage, row.usage);
    EXPECT_EQ(cmd.jobFile, row.jobFile);
    if (!cmd.error.empty() || cmd.help || cmd.version || !cmd.checkTables.empty()) {
      // Nothing to run: no command pending, no job to create or read.
      EXPECT_EQ(cmd.pendingCommand, "");
      EXPECT_FALSE(cmd.startTimer);
      EXPECT_FALSE(cmd.readJobFile);
    }
    for (const std::string& path : asked)
      if (path != row.jobFile) ADD_FAILURE() << "asked about a file that is no job: " << path;
  }
  EXPECT_EQ(ParseCommandLine({"AUTO", "--check-tables", "job.arh"}, existing).checkTables, "job.arh");
}

// A restore from a terminal: the options and the files named after UNARHIV.
TEST(JobCommandLineTest, RestoreOptions) {
  auto existing = [](const std::string& path) { return path == "job.arh"; };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string archive, to;
    OverwriteMode overwrite;
    std::vector<std::string> files;
    bool list;
  } rows[] = {
      {"none", {"job.arh", "AUTO", "UNARHIVALL"}, "", "", OverwriteMode::Ask, {}, false},
      {"each option, both spellings",
       {"job.arh", "AUTO", "UNARHIVALL", "--archive", "Buh(Day_3-th).zip", "--to=/tmp/x", "--overwrite", "Older"},
       "Buh(Day_3-th).zip",
       "/tmp/x",
       OverwriteMode::Older,
       {},
       false},
      {"files after UNARHIV, messages left out",
       {"job.arh", "auto", "unarhiv", "KONTI.DB", "DOSHOWMESSAGES", "data/PARTN.DB", "--overwrite", "never"},
       "",
       "",
       OverwriteMode::Never,
       {"KONTI.DB", "data/PARTN.DB"},
       false},
      {"always",
       {"job.arh", "AUTO", "UNARHIV", "a.txt", "--overwrite=always"},
       "",
       "",
       OverwriteMode::Always,
       {"a.txt"},
       false},
      {"list", {"--list", "job.arh"}, "", "", OverwriteMode::Ask, {}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StartupCommand cmd = ParseCommandLine(row.args, existing);
    EXPECT_EQ(cmd.error, "");
    EXPECT_EQ(cmd.archiveName, row.archive);
    EXPECT_EQ(cmd.targetDir, row.to);
    EXPECT_EQ(cmd.overwrite, row.overwrite);
    EXPECT_EQ(cmd.files, row.files);
    EXPECT_EQ(cmd.listArchives, row.list);
    EXPECT_EQ(cmd.startTimer, !row.list);
  }
}

TEST(JobCommandLineTest, WhenThereIsNoWindow) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    bool withoutWindow;
  } rows[] = {
      {"nothing set", {"job.arh"}, {}, true},
      {"an X display", {"job.arh"}, {{"DISPLAY", ":0"}}, false},
      {"a Wayland display", {"job.arh"}, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {"asked for", {"job.arh", "--no-window"}, {{"DISPLAY", ":0"}}, true},
      {"a listing never needs one", {"job.arh", "--list"}, {{"DISPLAY", ":0"}}, true},
      {"a platform that shows nothing", {"job.arh"}, {{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"}}, true},
      {"xcb named without a display", {"job.arh"}, {{"QT_QPA_PLATFORM", "xcb"}}, true},
      {"an unknown platform without a display", {"job.arh"}, {{"QT_QPA_PLATFORM", "none-such"}}, true},
      {"a screen of its own", {"job.arh"}, {{"QT_QPA_PLATFORM", "linuxfb"}}, false},
      {"a picture needs the window", {"--grab", "x.png"}, {}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const StartupCommand cmd = ParseCommandLine(row.args, [](const std::string&) { return true; });
    auto env = [&row](const char* name) {
      auto it = row.env.find(name);
      return it == row.env.end() ? std::string() : it->second;
    };
    EXPECT_EQ(RunsWithoutWindow(cmd, env), row.withoutWindow);
  }
}

TEST(JobCommandLineTest, UsageNamesEveryCommandAndStatus) {
  const std::string usage = UsageText("archivator");
  for (const char* word :
       {"Usage: archivator", "AUTO", "NEW", "ARHIV", "UNARHIV", "UNARHIVALL", "DOSHOWMESSAGES", "--help", "--version",
        "--list", "--archive", "--to", "--overwrite", "--no-window", "--check-tables", "ZuzIzu_log.txt"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  for (int status = 0; status <= kRestoreNothing; ++status)
    EXPECT_NE(usage.find("\n  " + std::to_string(status) + "  "), std::string::npos) << status;
  EXPECT_EQ(VersionText("archivator"), "archivator (Ombrelant ZIP archivator) Version 2.5\n");
}

}  // namespace
}  // namespace orn
