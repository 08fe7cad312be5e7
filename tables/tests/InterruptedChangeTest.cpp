// A change of a real table killed at every write, fsync and rename: the next
// opening hands out the table either wholly before or wholly after the
// change, and pxlib, reading on its own, finds the index matching the data.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "FileSystem.h"
#include "Table.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

int stepsLeft = 0;
void KillAtStep(FileStep, const std::string&) {
  if (--stepsLeft == 0) ::raise(SIGKILL);
}

struct Case {
  const char* table;  // fixture base name
  const char* index;  // its primary index's extension
  int keyBytes;
};

TEST(TablesInterruptedChange, TheNextOpeningSeesOneWholeTableAndAMatchingIndex) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  for (const Case& c : {Case{"python-pxlib/LAND", ".PX", 3}, Case{"python-pxlib/KOMMENT", ".PX", 9}}) {
    bool finished = false;
    for (int step = 1; !finished && step < 50; ++step) {
      SCOPED_TRACE(std::string(c.table) + ", killed at step " + std::to_string(step));
      test::ScratchDir dir;
      const std::string db = test::CopyFixtureTable(c.table, dir.Path());
      const int before = test::ReadWithPxlib(db).recordCount;

      pid_t pid = ::fork();
      if (pid == 0) {
        Table table(dir.Path(), ExtractFileName(db));
        table.Open();
        table.Next();
        stepsLeft = step;
        SetFileStepHook(&KillAtStep);
        table.Delete();
        ::_exit(0);
      }
      int status = 0;
      ::waitpid(pid, &status, 0);
      finished = !WIFSIGNALED(status);

      Table table(dir.Path(), ExtractFileName(db));
      table.Open();
      const int count = table.RecordCount();
      EXPECT_TRUE(count == before || count == before - 1) << count;
      if (finished) {
        EXPECT_EQ(count, before - 1);
      }
      // The journal is gone; a temporary file of a change that never got
      // its journal may stay until a run tidies the folder.
      EXPECT_TRUE(FindFiles(dir.Path(), ".~orn-journal.*").empty());

      auto view = test::ReadWithPxlib(db, CutAtFirstDotOfName(db) + c.index);
      EXPECT_TRUE(view.opened) << view.error;
      EXPECT_EQ(view.recordCount, count);
      test::ExpectIndexMatchesData(view, c.keyBytes);
    }
    EXPECT_TRUE(finished);
  }
}

}  // namespace
}  // namespace orn
