// Adding to and removing from the job list as the main window does it.
#include <gtest/gtest.h>

#include <algorithm>

#include "JobListEdits.h"
#include "SourcesTestUtil.h"

namespace orn {
namespace {

TEST(SourcesJobList, AddingAFolderAddsEveryFileBelowItOnce) {
  test::ScratchDir dir;
  const std::string a = dir.Touch("docs.v2/a.txt");
  const std::string b = dir.Touch("docs.v2/sub/b.txt");
  const std::string c = dir.Touch("docs.v2/sub/deeper/c.txt");
  dir.Touch("docs.v2/.hidden/d.txt");
  dir.Touch("docs.v2/.e");
  const std::string single = dir.Touch("single.csv");

  std::vector<std::string> jobList;
  auto added = ExpandAddedEntries({dir.Path() + "docs.v2", single, dir.Path() + "*.TXT", dir.Path() + "missing.txt"});
  std::sort(added.begin(), added.begin() + 3);
  EXPECT_EQ(added, (std::vector<std::string>{a, b, c, single, dir.Path() + "*.TXT"}));
  EXPECT_EQ(AddToJobList(jobList, added), 5);
  // Again, and with different case and blanks: nothing new.
  EXPECT_EQ(AddToJobList(jobList, ExpandAddedEntries({dir.Path() + "docs.v2/"})), 0);
  EXPECT_EQ(AddToJobList(jobList, {" " + dir.Path() + "*.txt "}), 0);
  EXPECT_EQ(jobList.size(), 5u);
}

TEST(SourcesJobList, GridHidesCompanionsAndRemovingATableTakesThemAlong) {
  std::vector<std::string> jobList = {"/data/KONTI.DB", "/data/KONTI.PX", "/data/KONTI.MB", "/data/KONTI.X02",
                                      "/doc/*.TXT",     "/data/DOKUM.DB", "/data/DOKUM.PX", "/data.v1/KONTI.PX"};
  const auto rows = JobGridRows(jobList);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].file, "KONTI.DB");
  EXPECT_EQ(rows[0].path, "/data/");
  EXPECT_EQ(rows[1].file, "*.TXT");
  EXPECT_EQ(rows[1].path, "/doc/");

  EXPECT_EQ(RemoveJobGridRows(jobList, 0, 0), 0);
  EXPECT_EQ(jobList, (std::vector<std::string>{"/doc/*.TXT", "/data/DOKUM.DB", "/data/DOKUM.PX", "/data.v1/KONTI.PX"}));
  EXPECT_EQ(RemoveJobGridRows(jobList, 1, 1), 0);
  EXPECT_EQ(jobList, (std::vector<std::string>{"/doc/*.TXT", "/data.v1/KONTI.PX"}));
}

TEST(SourcesJobList, RemovingRowsOfAListWithOneEntryEmptiesIt) {
  std::vector<std::string> jobList = {"/data/KONTI.DB"};
  EXPECT_EQ(RemoveJobGridRows(jobList, 0, 0), 0);
  EXPECT_TRUE(jobList.empty());
  jobList = {"/a/1.txt", "/a/2.txt", "/a/3.txt", "/a/4.txt"};
  EXPECT_EQ(RemoveJobGridRows(jobList, 2, 3), 1);
  EXPECT_EQ(jobList, (std::vector<std::string>{"/a/1.txt", "/a/2.txt"}));
}

}  // namespace
}  // namespace orn
