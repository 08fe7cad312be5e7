// Deletions that may be undone go to the user's trash, final ones do not,
// and a file system where no trash can be made still loses the file, with a
// note that says so. HOME and XDG_DATA_HOME point into a scratch folder, so
// the trash is the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "DesktopTrash.h"
#include "FileSystem.h"
#include "Trash.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

TEST(TrashTest, ADeletionGoesWhereHowToDeleteSays) {
  char pattern[] = "/tmp/orntrashXXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  std::ofstream(root / "not-a-folder") << "x";
  struct Row {
    const char* what;
    bool allowUndo;
    bool desktop;  // the program installed the desktop's trash
    fs::path dataHome;
    bool trashed;
    bool noted;
  } rows[] = {
      {"undo allowed: into the trash", true, true, root / "data", true, false},
      {"final: removed", false, true, root / "data", false, false},
      // A trash folder that cannot be made: removed all the same, and said.
      {"no trash to be had", true, true, root / "not-a-folder/data", false, true},
      {"a program without the desktop's trash", true, false, root / "data", false, true},
  };
  const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  const std::string oldData = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
  ::setenv("HOME", root.c_str(), 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.desktop ? UseDesktopTrash() : SetTrashMover(nullptr);
    ::setenv("XDG_DATA_HOME", row.dataHome.c_str(), 1);
    const fs::path file = root / "Buh.zip";
    std::ofstream(file) << "archive";
    const DeleteOutcome outcome = DeleteFileAsAsked(file, row.allowUndo);
    EXPECT_TRUE(outcome.deleted);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(outcome.trashed, row.trashed);
    EXPECT_EQ(fs::exists(root / "data/Trash/files/Buh.zip"), row.trashed);
    EXPECT_EQ(IsNoTrashNote(outcome.note), row.noted) << outcome.note;
    EXPECT_FALSE(fs::exists(fs::current_path() / "files/Buh.zip")) << "no trash in the current folder";
    fs::remove_all(root / "data");
  }
  EXPECT_TRUE(DeleteFileAsAsked(root / "missing.zip", true).deleted) << "a file not there is no failure";
  oldHome.empty() ? ::unsetenv("HOME") : ::setenv("HOME", oldHome.c_str(), 1);
  oldData.empty() ? ::unsetenv("XDG_DATA_HOME") : ::setenv("XDG_DATA_HOME", oldData.c_str(), 1);
  fs::remove_all(root);
}

}  // namespace
}  // namespace orn
