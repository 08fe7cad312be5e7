// The command lines with which the accounting system starts unattended runs.
#include <gtest/gtest.h>

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
      {"a new job with AUTO ends after it is made", {"new.arh", "AUTO"}, "NEW", true, true, false, false},
      {"missing job file with NEW", {"new.arh", "AUTO", "new"}, "NEW", true, true, false, false},
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

TEST(JobCommandLineTest, UsageNamesEveryCommandAndStatus) {
  const std::string usage = UsageText("archivator");
  for (const char* word : {"Usage: archivator", "AUTO", "NEW", "ARHIV", "UNARHIV", "UNARHIVALL", "DOSHOWMESSAGES",
                           "--help", "--version", "--check-tables", "ZuzIzu_log.txt"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  for (int status = 0; status <= kRestoreNothing; ++status)
    EXPECT_NE(usage.find("\n  " + std::to_string(status) + "  "), std::string::npos) << status;
  EXPECT_EQ(VersionText("archivator"), "archivator (Ombrelant ZIP archivator) Version 2.5\n");
}

}  // namespace
}  // namespace orn
