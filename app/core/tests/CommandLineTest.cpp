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
      {"missing job file ignores auto", {"new.arh", "AUTO", "ARHIV"}, "NEW", true, false, false, false},
      {"first parameter DOSHOWMESSAGES is a missing job", {"DOSHOWMESSAGES"}, "NEW", true, false, false, true},
      {"messages anywhere, trimmed", {"job.arh", "AUTO", "ARHIV", " doShowMessages "}, "ARHIV", true, true, true, true},
      {"existing job with NEW", {"job.arh", "AUTO", "NEW"}, "NEW", true, true, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StartupCommand cmd = ParseCommandLine(row.args, existing);
    EXPECT_EQ(cmd.pendingCommand, row.pending);
    EXPECT_EQ(cmd.startTimer, row.timer);
    EXPECT_EQ(cmd.exitAfterCommand, row.exitAfter);
    EXPECT_EQ(cmd.readJobFile, row.readJob);
    EXPECT_EQ(cmd.showMessages, row.show);
  }
}

}  // namespace
}  // namespace orn
