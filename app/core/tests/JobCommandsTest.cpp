// Which commands a job allows, for the window and the unattended runs alike.
#include <gtest/gtest.h>

#include "JobCommands.h"

namespace orn {
namespace {

TEST(JobCommandsTest, CommandsFollowTheJobAndItsFiles) {
  struct Row {
    const char* what;
    bool open;
    bool listed;  // the job list holds a file
    JobFilesPresent files;
    bool running;
    JobCommands expected;  // newJob, editJob, archive, extract, markRegister
  } rows[] = {
      {"no job", false, false, {}, false, {true, false, false, false, false}},
      {"no job, stray files", false, false, {true, true, true}, false, {true, false, false, false, false}},
      {"empty job", true, false, {}, false, {true, true, false, false, false}},
      {"register only", true, false, {true, false, false}, false, {true, true, true, false, true}},
      {"list only, register missing", true, true, {}, false, {true, true, true, false, false}},
      {"register and list", true, true, {true, false, false}, false, {true, true, true, false, true}},
      {"generations", true, true, {false, true, false}, false, {true, true, true, true, false}},
      {"only unique saves", true, false, {false, false, true}, false, {true, true, false, true, false}},
      {"generations and unique saves", true, true, {true, true, true}, false, {true, true, true, true, true}},
      {"a run in progress", true, true, {true, true, true}, true, {false, false, false, false, false}},
      {"a run in progress, no job", false, false, {}, true, {false, false, false, false, false}},
  };
  for (const Row& row : rows) {
    Job job;
    if (row.open) job.jobFilePath = "Buh.arh";
    if (row.listed) job.jobList = {"/data/a.txt"};
    const JobCommands got = CommandsForJob(job, row.files, row.running);
    EXPECT_EQ(got.newJob, row.expected.newJob) << row.what;
    EXPECT_EQ(got.editJob, row.expected.editJob) << row.what;
    EXPECT_EQ(got.archive, row.expected.archive) << row.what;
    EXPECT_EQ(got.extract, row.expected.extract) << row.what;
    EXPECT_EQ(got.markRegister, row.expected.markRegister) << row.what;
  }
}

TEST(JobCommandsTest, ArchiveNeedsNoDirectoryOrNameToBeOffered) {
  // The run itself reports a missing directory or name in words; a button
  // greyed for it would leave the user guessing why.
  Job job;
  job.jobFilePath = "Buh.arh";
  job.jobList = {"/data/a.txt"};
  EXPECT_TRUE(CommandsForJob(job, {}, false).archive);
  job.archiveDirectory = "/backup/";
  EXPECT_TRUE(CommandsForJob(job, {}, false).archive);
  // So does a register that is named but gone: the run says it is gone.
  job.jobList.clear();
  job.registerFile = "/mnt/buh/SprFiles.db";
  EXPECT_TRUE(CommandsForJob(job, {}, false).archive);
  EXPECT_FALSE(CommandsForJob(job, {}, false).markRegister);
}

}  // namespace
}  // namespace orn
