#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "FileSystem.h"

using namespace orn;

namespace {
struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/orn-fs-XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};
}  // namespace

TEST(Paths, NamesExtensionsAndDots) {
  EXPECT_EQ(ExtractFilePath("/srv/buh/KONTI.DB"), "/srv/buh/");
  EXPECT_EQ(ExtractFileName("/srv/buh/KONTI.DB"), "KONTI.DB");
  EXPECT_EQ(ExtractFileExt("/srv/buh.data/KONTI"), "");
  EXPECT_EQ(ExtractFileExt("/srv/buh/a.b.DB"), ".DB");
  // A dot in a directory name never cuts the path.
  EXPECT_EQ(CutAtFirstDotOfName("/srv/buh.data/KONTI.DB"), "/srv/buh.data/KONTI");
  EXPECT_EQ(CutAtFirstDotOfName("/home/u/.local/x.tar.gz"), "/home/u/.local/x");
  EXPECT_EQ(IncludeTrailingDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingDelimiter(""), "");
  EXPECT_EQ(PathRoot("/a/b"), "/");
  EXPECT_EQ(PathRoot("//server/share/x"), "//server/");
  EXPECT_EQ(PathRoot("a/b"), "");
}

TEST(Paths, WindowsWildcardRules) {
  EXPECT_TRUE(MatchesMask("konti.db", "KONTI.*"));
  EXPECT_TRUE(MatchesMask("KONTI", "KONTI.*"));
  EXPECT_TRUE(MatchesMask("anything", "*.*"));
  EXPECT_TRUE(MatchesMask("Report.TXT", "*.txt"));
  EXPECT_TRUE(MatchesMask("ab", "a?"));
  EXPECT_FALSE(MatchesMask("KONTIX.DB", "KONTI.*"));
  EXPECT_FALSE(MatchesMask("a", "a?"));
  EXPECT_TRUE(MatchesMask("Buh_2.zip", "Buh*.*"));
}

// A folder that cannot be made says why mkdir refused it. Folder
// permissions do not bind root: as root, the check runs in a child that has
// become an ordinary user.
TEST(Files, AFolderThatCannotBeMadeKeepsTheReason) {
  TempDir t;
  ::chmod(t.path.c_str(), 0755);
  ASSERT_EQ(::mkdir((t.path + "/ro").c_str(), 0555), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    errno = 0;
    const bool made = ForceDirectories(t.path + "/ro/x/y");
    ::_exit(!made && errno == EACCES ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(Files, FindForceAndAtomicWrites) {
  TempDir t;
  std::string deep = t.path + "/a b/c/d/";
  ASSERT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  ASSERT_TRUE(WriteFileAtomically(deep + "KONTI.DB", "one"));
  ASSERT_TRUE(WriteFileAtomically(deep + "konti.px", "two"));
  ASSERT_TRUE(WriteFileAtomically(deep + "OTHER.DB", "three"));
  auto found = FindFiles(deep, "KONTI.*");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, "KONTI.DB");
  EXPECT_TRUE(AnyFileMatches(deep + "OTH*.*"));
  // Replacing keeps only whole contents and leaves no temporary file.
  ASSERT_TRUE(WriteFileAtomically(deep + "KONTI.DB", "replaced"));
  EXPECT_EQ(*ReadWholeFile(deep + "KONTI.DB"), "replaced");
  EXPECT_EQ(FindFiles(deep, "*.*").size(), 3u);
  ASSERT_TRUE(CopyFileAtomically(deep + "KONTI.DB", t.path + "/copy"));
  EXPECT_EQ(*ReadWholeFile(t.path + "/copy"), "replaced");
}

// A copy tells how far it has come after each piece; stopped, it leaves
// nothing behind and says so.
TEST(Files, CopyReportsItsProgressAndCanBeStopped) {
  TempDir t;
  const std::string from = t.path + "/big", to = t.path + "/copy";
  ASSERT_TRUE(WriteFileAtomically(from, std::string(3 * 1048576 + 5, 'x')));
  std::vector<std::int64_t> heard;
  ASSERT_TRUE(CopyToNewFile(from, to, nullptr, -1, [&](std::int64_t copied) {
    heard.push_back(copied);
    return true;
  }));
  EXPECT_EQ(heard, (std::vector<std::int64_t>{1048576, 2097152, 3145728, 3145733}));
  EXPECT_EQ(FileSize(to), 3145733);

  std::string error;
  EXPECT_FALSE(
      CopyToNewFile(from, t.path + "/stopped", &error, -1, [](std::int64_t copied) { return copied < 2097152; }));
  EXPECT_FALSE(PathExists(t.path + "/stopped"));
  EXPECT_NE(error.find("cancel"), std::string::npos) << error;
}

TEST(Files, FailedWriteLeavesOldFile) {
  TempDir t;
  std::string file = t.path + "/job.arh";
  ASSERT_TRUE(WriteFileAtomically(file, "old"));
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(t.path + "/missing/dir/job.arh", "x", &error));
  EXPECT_NE(error.find("missing/dir/job.arh"), std::string::npos);
  if (::geteuid() != 0) {  // root writes anywhere
    ::chmod(t.path.c_str(), 0555);
    EXPECT_FALSE(WriteFileAtomically(file, "new"));
    ::chmod(t.path.c_str(), 0755);
    EXPECT_EQ(*ReadWholeFile(file), "old");
  }
  EXPECT_FALSE(ReadWholeFile(t.path + "/nothing").has_value());
}

TEST(Drives, KindAndFreeSpace) {
  EXPECT_NE(DriveKindOf("/tmp"), DriveKind::Unknown);
  auto free = FreeSpace("/tmp/does/not/exist/yet");
  ASSERT_TRUE(free.has_value());
  EXPECT_GT(*free, 0);
}
