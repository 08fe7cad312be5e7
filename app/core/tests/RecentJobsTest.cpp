#include "RecentJobs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FileSystem.h"

namespace orn {
namespace {

using List = std::vector<std::string>;

TEST(RecentJobs, LatestFirstOncePerFileAtMostFive) {
  struct Case {
    const char* what;
    List before;
    std::string path;
    List after;
  } cases[] = {
      {"first job", {}, "/jobs/a.arh", {"/jobs/a.arh"}},
      {"again moves to the front", {"/jobs/b.arh", "/jobs/a.arh"}, "/jobs/a.arh", {"/jobs/a.arh", "/jobs/b.arh"}},
      {"another spelling of the same file",
       {"/jobs/b.arh", "/jobs/a.arh"},
       "/jobs/./x/../a.arh",
       {"/jobs/a.arh", "/jobs/b.arh"}},
      {"the sixth pushes out the oldest",
       {"/1.arh", "/2.arh", "/3.arh", "/4.arh", "/5.arh"},
       "/6.arh",
       {"/6.arh", "/1.arh", "/2.arh", "/3.arh", "/4.arh"}},
  };
  for (const Case& c : cases) EXPECT_EQ(WithRecentJob(c.before, c.path), c.after) << c.what;
  EXPECT_EQ(WithoutRecentJob({"/a.arh", "/b.arh"}, "/a.arh"), List({"/b.arh"}));
}

TEST(RecentJobs, FileRoundTripAndBrokenFiles) {
  const std::string dir = std::filesystem::temp_directory_path().string() + "/recent-jobs-test-" +
                          std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "/";
  const std::string file = dir + "sub/recent.txt";  // the folder does not exist yet
  EXPECT_TRUE(ReadRecentJobs(file).empty());
  const List jobs = {"/jobs/a b.arh", "/jobs/c.arh"};
  ASSERT_TRUE(WriteRecentJobs(file, jobs));
  EXPECT_EQ(ReadRecentJobs(file), jobs);
  // Written by hand with CR LF and blank lines, and too long.
  ASSERT_TRUE(WriteFileAtomically(file, "/1.arh\r\n\r\n/2.arh\n/3.arh\n/4.arh\n/5.arh\n/6.arh\n"));
  EXPECT_EQ(ReadRecentJobs(file), List({"/1.arh", "/2.arh", "/3.arh", "/4.arh", "/5.arh"}));
  // A folder where the file should be: nothing is claimed to be written.
  std::string error;
  EXPECT_FALSE(WriteRecentJobs(dir + "sub", jobs, &error));
  EXPECT_FALSE(error.empty());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orn
