// Symbolic links on adding (followed, or stored as links when asked), the
// tightest deflate level, and large archives (behind ORN_TEST_LARGE=1).
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "ZipLibHarness.h"

namespace ziplibtest {
namespace {

// One line per entry: name, "link" or "file", and the data.
const char* kPyEntries = R"(
import sys, zipfile, stat
z = zipfile.ZipFile(sys.argv[1])
for i in sorted(z.infolist(), key=lambda i: i.filename):
    kind = 'link' if stat.S_ISLNK(i.external_attr >> 16) else 'file'
    print(i.filename, kind, z.read(i).decode())
)";

TEST_F(ZipLibTest, LinksAreFollowedOrStoredAsLinksAsAsked) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  Write("src/data.txt", "payload");
  Write("src/sub/inner.txt", "inner");
  ASSERT_EQ(::symlink("data.txt", Path("src/to-file").c_str()), 0);
  ASSERT_EQ(::symlink("sub", Path("src/to-dir").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", Path("src/dangling").c_str()), 0);
  struct Case {
    bool storeLinks;
    std::string line;
    bool recurse;
    int added;
    std::string entries;
  } cases[] = {
      // Followed: a link to a file adds the file; links to folders are not
      // walked into (no loops) and dangling links have nothing to add.
      {false, "*", true, 3, "data.txt file payload\nsub/inner.txt file inner\nto-file file payload\n"},
      {true, "*", true, 5,
       "dangling link nowhere\ndata.txt file payload\nsub/inner.txt file inner\nto-dir link sub\n"
       "to-file link data.txt\n"},
      // A link named on its own line.
      {true, "to-dir", false, 1, "to-dir link sub\n"},
      {false, "to-file", false, 1, "to-file file payload\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string zip = Path("links" + std::to_string(n++) + ".zip");
    AddOptions o;
    o.storeLinks = c.storeLinks;
    Recorder rec;
    EXPECT_EQ(Add(zip, {{c.line, c.recurse, "", Path("src")}}, o, rec), c.added) << c.line << " " << c.storeLinks;
    std::string out;
    ASSERT_EQ(Python(kPyEntries, {zip}, &out), 0) << out;
    EXPECT_EQ(out, c.entries) << c.line << " " << c.storeLinks;
  }
  // A peer restores the stored link as a link.
  if (!HaveTool("unzip")) return;
  std::string out;
  ASSERT_EQ(Run("unzip -q " + Quote(Path("links1.zip")) + " -d " + Quote(Path("x")), &out), 0) << out;
  char target[64] = {};
  ASSERT_GT(::readlink(Path("x/to-file").c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "data.txt");
}

TEST_F(ZipLibTest, BestLevelIsNoLargerThanLevelNineAndThePeersReadIt) {
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i)
    text += "Konts " + std::to_string(i % 997) + ";Summa " + std::to_string((i * 7919) % 10007) + ";EUR\n";
  Write("src/GRAMATA.DB", text);
  struct Case {
    int level;
    bool best;
  } cases[] = {{1, false}, {9, false}, {9, true}};
  std::vector<std::size_t> sizes;
  for (const Case& c : cases) {
    const std::string zip = Path("l" + std::to_string(c.level) + (c.best ? "best" : "") + ".zip");
    AddOptions o;
    o.level = c.level;
    o.best = c.best;
    Recorder rec;
    ASSERT_EQ(Add(zip, {{"GRAMATA.DB", false, "", Path("src")}}, o, rec), 1);
    sizes.push_back(Read(zip).size());
    std::string out;
    if (HaveTool("unzip")) {
      EXPECT_EQ(Run("unzip -tq " + Quote(zip), &out), 0) << out;
    }
  }
  EXPECT_LT(sizes[1], sizes[0]);
  EXPECT_LE(sizes[2], sizes[1]);
}

// A real archive past 4 GiB with an entry of 4 GiB or more: a sparse file of
// zeros, deflated. It takes a minute, so it runs only when asked for.
TEST_F(ZipLibTest, LargeSparseFileIsWrittenWithZip64AndReadBack) {
  const char* large = std::getenv("ORN_TEST_LARGE");
  if (!large || std::string(large) != "1") GTEST_SKIP() << "set ORN_TEST_LARGE=1 to run";
  Write("src/small.txt", "before the big one");
  const std::string big = Path("src/zeros.db");
  int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const off_t size = off_t(0x100000000LL) + 12345;
  if (::ftruncate(fd, size) != 0) {
    ::close(fd);
    GTEST_SKIP() << "no sparse file here";
  }
  ::close(fd);
  Write("src/tail.txt", "after it");
  AddOptions stored;
  stored.level = 0;  // stored: the archive itself passes 4 GiB
  for (const AddOptions& o : {AddOptions{}, stored}) {
    const std::string name = o.level == 0 ? "stored" : "deflated";
    const std::string zip = Path(name + ".zip");
    const std::string into = Path("x-" + name);
    Recorder rec;
    ASSERT_EQ(Add(zip, {{"*", false, "", Path("src")}}, o, rec), 3);
    EXPECT_TRUE(rec.Of(ORN_CB_MESSAGE).empty()) << rec.Texts(ORN_CB_MESSAGE).front();
    std::string out;
    if (HaveTool("unzip")) {
      EXPECT_EQ(Run("unzip -tq " + Quote(zip), &out), 0) << out;
    }
    if (HaveTool("7z")) {
      EXPECT_EQ(Run("7z t " + Quote(zip), &out), 0) << out;
    }
    if (HaveTool("python3")) {
      EXPECT_EQ(Run("python3 -m zipfile -t " + Quote(zip), &out), 0) << out;
    }
    Recorder test;
    ExtractOptions all;
    all.test = true;
    EXPECT_EQ(Extract(zip, into, all, test), 3);
    Recorder one;
    ExtractOptions tail;
    tail.names = {"tail.txt"};
    EXPECT_EQ(Extract(zip, into, tail, one), 1);
    EXPECT_EQ(Read(into + "/tail.txt"), "after it");
  }
}

}  // namespace
}  // namespace ziplibtest
