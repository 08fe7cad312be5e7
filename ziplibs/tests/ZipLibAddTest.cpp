// Adding: archives the peers accept, encryption, name encoding, the add
// options, and a failed add leaving the old archive alone.
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <random>

#include "ZipLibHarness.h"

namespace ziplibtest {
namespace {

// Python prints name, size, date, flag bits and CRC of every entry and
// checks each against the file it came from.
const char* kPyCheck = R"(
import sys, zipfile, os, time
z = zipfile.ZipFile(sys.argv[1])
bad = z.testzip()
if bad: print('BAD', bad); sys.exit(1)
root = sys.argv[2]
pwd = sys.argv[3].encode() if len(sys.argv) > 3 else None
for i in z.infolist():
    data = z.read(i, pwd=pwd)
    src = os.path.join(root, i.filename)
    ok = open(src, 'rb').read() == data
    t = time.localtime(os.path.getmtime(src) + 1)
    dt = (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec // 2 * 2)
    print(i.filename, i.file_size, 'utf8' if i.flag_bits & 0x800 else 'plain',
          'same' if ok else 'DIFFERENT', 'date-ok' if dt == i.date_time else 'DATE %s %s' % (dt, i.date_time))
)";

std::string Compressible(std::size_t size) {
  std::string s;
  std::mt19937 gen(7);
  while (s.size() < size) s += "Rekins " + std::to_string(gen() % 5000) + ";Kase;" + std::to_string(gen() % 97) + "\n";
  s.resize(size);
  return s;
}

std::string Random(std::size_t size) {
  std::string s(size, '\0');
  std::mt19937 gen(11);
  for (auto& c : s) c = char(gen());
  return s;
}

TEST_F(ZipLibTest, WrittenArchivePassesPeerToolsWithSameNamesSizesDatesAndContents) {
  Write("src/DATI/KONTI.DB", Compressible(300000), 1700000001);
  Write("src/DATI/empty.txt", "", 1700000000);
  // Larger than one piece, so the pieces of one deflate stream must join.
  Write("src/DATI/BIG.DB", Compressible(9u << 20));
  Write("src/DATI/photo.bin", Random(200000));
  Write("src/Rēķins/Отчёт.txt", "non-ASCII names\n");
  Recorder rec;
  ASSERT_EQ(Add(Path("a.zip"), {{Path("src/*"), true, "", ""}}, AddOptions{}, rec), 5);
  EXPECT_TRUE(rec.Of(ORN_CB_MESSAGE).empty()) << rec.Texts(ORN_CB_MESSAGE).front();
  for (auto id : rec.threads) EXPECT_EQ(id, std::this_thread::get_id()) << "callback off the calling thread";
  ASSERT_EQ(rec.Of(ORN_CB_ITEM_COUNT).at(0).size, 5);

  std::string out;
  if (HaveTool("unzip")) {
    EXPECT_EQ(Run("unzip -tq " + Quote(Path("a.zip")), &out), 0) << out;
  }
  if (HaveTool("7z")) {
    EXPECT_EQ(Run("7z t " + Quote(Path("a.zip")), &out), 0) << out;
  }
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  // Stored names are the absolute paths without the leading '/'.
  ASSERT_EQ(Python(kPyCheck, {Path("a.zip"), "/"}, &out), 0) << out;
  std::string base = Path("src").substr(1);
  EXPECT_NE(out.find(base + "/DATI/KONTI.DB 300000 plain same date-ok"), std::string::npos) << out;
  EXPECT_NE(out.find(base + "/DATI/empty.txt 0 plain same date-ok"), std::string::npos) << out;
  EXPECT_NE(out.find(base + "/DATI/BIG.DB 9437184 plain same"), std::string::npos) << out;
  EXPECT_NE(out.find(base + "/Rēķins/Отчёт.txt 16 utf8 same"), std::string::npos) << out;
  EXPECT_EQ(out.find("DIFFERENT"), std::string::npos) << out;
}

TEST_F(ZipLibTest, PerLinePasswordsEncryptThatLineOnly) {
  Write("src/secret.txt", Compressible(5000));
  Write("src/open.txt", "plain text\n");
  Recorder rec;
  ASSERT_EQ(Add(Path("e.zip"), {{Path("src/secret.txt"), false, "pa55", ""}, {Path("src/open.txt"), false, "", ""}},
                AddOptions{}, rec),
            2);
  std::string out;
  if (HaveTool("unzip")) {
    EXPECT_EQ(Run("unzip -tq -P pa55 " + Quote(Path("e.zip")), &out), 0) << out;
    EXPECT_NE(Run("unzip -tq -P wrong " + Quote(Path("e.zip")), &out), 0) << out;
    EXPECT_EQ(Run("unzip -p " + Quote(Path("e.zip")) + " '*open.txt'", &out), 0);
    EXPECT_EQ(out, "plain text\n");
  }
  if (HaveTool("7z")) {
    EXPECT_EQ(Run("7z t -ppa55 " + Quote(Path("e.zip")), &out), 0) << out;
  }
  if (HaveTool("python3")) {
    EXPECT_EQ(Python("import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                     "print([(i.filename.split('/')[-1], i.flag_bits & 1) for i in z.infolist()]); "
                     "print(z.read([n for n in z.namelist() if n.endswith('secret.txt')][0], pwd=b'pa55')[:6])",
                     {Path("e.zip")}, &out),
              0)
        << out;
    EXPECT_NE(out.find("('secret.txt', 1), ('open.txt', 0)"), std::string::npos) << out;
  }

  // Our extractor: the right password, a wrong one, and one asked for.
  struct Case {
    std::string given, answered;
    int extracted;
    int skipType;
  } cases[] = {{"pa55", "", 2, -1},
               {"nope", "", 1, ORN_SKIP_BAD_PASSWORD},
               {"", "", 1, ORN_SKIP_NO_ENCRYPTION_KEY},
               {"", "pa55", 2, -1}};
  int n = 0;
  for (const auto& c : cases) {
    std::string dest = Path("x" + std::to_string(n++));
    Recorder r;
    r.passwordAnswer = c.answered;
    ExtractOptions o;
    o.password = c.given;
    o.dirNames = false;
    EXPECT_EQ(Extract(Path("e.zip"), dest, o, r), c.extracted) << c.given << "/" << c.answered;
    auto skips = r.Of(ORN_CB_SKIPPED);
    if (c.skipType < 0) {
      EXPECT_TRUE(skips.empty());
      EXPECT_EQ(Read(dest + "/secret.txt"), Compressible(5000));
    } else {
      ASSERT_EQ(skips.size(), 1u);
      EXPECT_EQ(skips[0].size & 0xFF, c.skipType);
      EXPECT_FALSE(Exists(dest + "/secret.txt"));
    }
  }
}

TEST_F(ZipLibTest, FreshenUpdateAndMove) {
  Write("d/a.txt", "old a", 1600000000);
  Write("d/b.txt", "old b", 1600000000);
  Recorder rec;
  AddOptions rel;
  ASSERT_EQ(Add(Path("f.zip"), {{"*.txt", false, "", Path("d")}}, rel, rec), 2);
  Write("d/a.txt", "new a", 1700000000);  // newer
  Write("d/b.txt", "new b", 1500000000);  // older than the entry
  Write("d/c.txt", "new c", 1700000000);  // not in the archive

  struct Step {
    const char* what;
    bool freshen, update;
    int added;
    const char* expect;  // python listing: name=content,...
  } steps[] = {
      {"freshen", true, false, 1, "a.txt=new a,b.txt=old b"},
      {"update", false, true, 1, "a.txt=new a,b.txt=old b,c.txt=new c"},
      {"plain add", false, false, 3, "a.txt=new a,b.txt=new b,c.txt=new c"},
  };
  for (const auto& s : steps) {
    Recorder r;
    AddOptions o;
    o.freshen = s.freshen;
    o.update = s.update;
    EXPECT_EQ(Add(Path("f.zip"), {{"*.txt", false, "", Path("d")}}, o, r), s.added) << s.what;
    std::string out;
    if (!HaveTool("python3")) continue;
    Python(
        "import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(','.join(n+'='+z.read(n).decode() for n in sorted(z.namelist())), end='')",
        {Path("f.zip")}, &out);
    EXPECT_EQ(out, s.expect) << s.what;
  }
  // Freshen with nothing newer changes nothing and says so.
  Recorder none;
  AddOptions fr;
  fr.freshen = true;
  EXPECT_EQ(Add(Path("f.zip"), {{"*.txt", false, "", Path("d")}}, fr, none), 0);
  EXPECT_EQ(none.Of(ORN_CB_MESSAGE).at(0).errorCode, ORN_ZE_NONE);

  Recorder mv;
  AddOptions m;
  m.move = true;
  m.zipTime = true;
  ASSERT_EQ(Add(Path("m.zip"), {{"*.txt", false, "", Path("d")}}, m, mv), 3);
  struct stat st {};
  ASSERT_EQ(::stat(Path("m.zip").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1700000000) << "the archive takes the time of its newest entry";
  EXPECT_FALSE(Exists(Path("d/a.txt")));
  EXPECT_FALSE(Exists(Path("d/c.txt")));
  EXPECT_TRUE(Exists(Path("m.zip")));
}

TEST_F(ZipLibTest, ExclusionsStoreSuffixesHiddenFilesAndDirectoryEntries) {
  Write("s/keep.db", Compressible(20000));
  Write("s/pic.PNG", Compressible(20000));
  Write("s/junk.tmp", "x");
  Write("s/sub/deep.db", Compressible(100));
  Write("s/.hidden", "h");
  struct Case {
    bool hidden, dirEntries, junkDirs;
    const char* expect;
  } cases[] = {
      {false, false, false, "keep.db:8,pic.PNG:0,sub/deep.db:8"},
      {true, true, false, ".hidden:0,keep.db:8,pic.PNG:0,sub/:0,sub/deep.db:8"},
      {false, false, true, "deep.db:8,keep.db:8,pic.PNG:0"},
  };
  int n = 0;
  for (const auto& c : cases) {
    Recorder r;
    AddOptions o;
    o.suffixes = ".gif:.png:.zip";
    o.excludes = {"*.tmp"};
    o.hidden = c.hidden;
    o.dirEntries = c.dirEntries;
    o.junkDirs = c.junkDirs;
    std::string zip = Path("x" + std::to_string(n++) + ".zip");
    ASSERT_GT(Add(zip, {{"*", true, "", Path("s")}}, o, r), 0);
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
    std::string out;
    Python(
        "import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(','.join('%s:%d' % (i.filename, i.compress_type) for i in sorted(z.infolist(), "
        "key=lambda i: i.filename)), end='')",
        {zip}, &out);
    EXPECT_EQ(out, c.expect);
  }
}

TEST_F(ZipLibTest, FailedOrCancelledAddLeavesTheOldArchiveUnchanged) {
  Write("d/one.txt", Compressible(1000));
  Write("d/two.txt", Compressible(2000));
  Recorder first;
  ASSERT_EQ(Add(Path("keep.zip"), {{"one.txt", false, "", Path("d")}}, AddOptions{}, first), 1);
  std::string before = Read(Path("keep.zip"));

  Recorder cancel;
  cancel.stopAtItem = 0;
  EXPECT_EQ(Add(Path("keep.zip"), {{"*.txt", false, "", Path("d")}}, AddOptions{}, cancel), 0);
  EXPECT_EQ(Read(Path("keep.zip")), before);

  // A file that is not a zip archive is never overwritten.
  Write("notzip.zip", "precious data, not an archive");
  Recorder refuse;
  EXPECT_EQ(Add(Path("notzip.zip"), {{"*.txt", false, "", Path("d")}}, AddOptions{}, refuse), 0);
  EXPECT_EQ(Read(Path("notzip.zip")), "precious data, not an archive");

  // A temporary folder that cannot be written fails the job before any
  // entry is written (large files are no reason to refuse: they get Zip64).
  AddOptions noTemp;
  noTemp.tempDir = Path("no/such/folder");
  Recorder tempFails;
  EXPECT_EQ(Add(Path("keep.zip"), {{"*", false, "", Path("d")}}, noTemp, tempFails), 0);
  ASSERT_FALSE(tempFails.Of(ORN_CB_MESSAGE).empty());
  EXPECT_EQ(tempFails.Of(ORN_CB_MESSAGE).back().errorCode, ORN_ZE_TEMP);
  EXPECT_TRUE(tempFails.Of(ORN_CB_ITEM_START).empty());
  EXPECT_EQ(Read(Path("keep.zip")), before);
  std::string leftovers;
  Run("ls -A " + Quote(dir_), &leftovers);
  EXPECT_EQ(leftovers, "d\nkeep.zip\nnotzip.zip\n") << "temporary file left behind";
}

// What a killed job left beside the archive goes with the next job there,
// what another job is writing now stays; and a new archive allows nobody
// more than the files it holds.
TEST_F(ZipLibTest, TheNextAddRemovesLeftoversAndAnArchiveIsNoWiderThanItsFiles) {
  const std::time_t hourAgo = std::time(nullptr) - 3600;
  Write("d/private.txt", "books");
  ::chmod(Path("d/private.txt").c_str(), 0600);
  Write("ornzAb12Cd", "a killed job's archive", hourAgo);
  Write(".~orn-0123abcd.new.zip", "a killed job's archive", hourAgo);
  Write(".~orn-89abcdef.new.zip", "being written now");
  Write("ornzAb12Cd.txt", "the user's file", hourAgo);
  Recorder rec;
  const mode_t mask = ::umask(022);
  ASSERT_EQ(Add(Path("new.zip"), {{"private.txt", false, "", Path("d")}}, AddOptions{}, rec), 1);
  ::umask(mask);
  std::string left;
  Run("ls -A " + Quote(dir_), &left);
  EXPECT_EQ(left, ".~orn-89abcdef.new.zip\nd\nnew.zip\nornzAb12Cd.txt\n");
  struct stat st {};
  ASSERT_EQ(::stat(Path("new.zip").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A stored archive of `count` empty entries named e00000, e00001, ...
std::string ArchiveOfEmptyEntries(int count) {
  std::string local, central;
  auto u16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8); };
  auto u32 = [&](std::string& s, std::uint32_t v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
  for (int i = 0; i < count; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "e%05d", i);
    std::uint32_t offset = std::uint32_t(local.size());
    u32(local, 0x04034b50), u16(local, 10), u16(local, 0), u16(local, 0), u32(local, 0x21000000);
    u32(local, 0), u32(local, 0), u32(local, 0), u16(local, 6), u16(local, 0), local += name;
    u32(central, 0x02014b50), u16(central, 20), u16(central, 10), u16(central, 0), u16(central, 0);
    u32(central, 0x21000000), u32(central, 0), u32(central, 0), u32(central, 0), u16(central, 6);
    u16(central, 0), u16(central, 0), u16(central, 0), u16(central, 0), u32(central, 0), u32(central, offset);
    central += name;
  }
  std::string end;
  u32(end, 0x06054b50), u16(end, 0), u16(end, 0), u16(end, unsigned(count)), u16(end, unsigned(count));
  u32(end, std::uint32_t(central.size())), u32(end, std::uint32_t(local.size())), u16(end, 0);
  return local + central + end;
}

TEST_F(ZipLibTest, MoreThan65535EntriesGetAZip64EndRecordThatThePeersAndWeRead) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  Write("full.zip", ArchiveOfEmptyEntries(65535));
  Write("d/one.txt", "one more");
  Recorder rec;
  EXPECT_EQ(Add(Path("full.zip"), {{"one.txt", false, "", Path("d")}}, AddOptions{}, rec), 1);
  EXPECT_TRUE(rec.Of(ORN_CB_MESSAGE).empty()) << rec.Texts(ORN_CB_MESSAGE).front();
  // Replacing an entry keeps the count; the rest is copied raw.
  Write("d/e00007", "replaced");
  Recorder again;
  EXPECT_EQ(Add(Path("full.zip"), {{"e00007", false, "", Path("d")}}, AddOptions{}, again), 1);
  std::string out;
  Python(
      "import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); print(len(z.namelist()), z.read('e00007').decode(),"
      " z.read('one.txt').decode())",
      {Path("full.zip")}, &out);
  EXPECT_EQ(out, "65536 replaced one more\n");
  if (HaveTool("unzip")) {
    EXPECT_EQ(Run("unzip -tq " + Quote(Path("full.zip")), &out), 0) << out;
  }
  if (HaveTool("7z")) {
    EXPECT_EQ(Run("7z t " + Quote(Path("full.zip")), &out), 0) << out;
  }
  Recorder test;
  ExtractOptions all;
  all.test = true;
  EXPECT_EQ(Extract(Path("full.zip"), Path("x"), all, test), 65536);
  Recorder one;
  ExtractOptions byName;
  byName.names = {"one.txt"};
  EXPECT_EQ(Extract(Path("full.zip"), Path("x"), byName, one), 1);
  EXPECT_EQ(Read(Path("x/one.txt")), "one more");
}

}  // namespace
}  // namespace ziplibtest

namespace ziplibtest {
namespace {

TEST_F(ZipLibTest, AddingKeepsTheSelfExtractorStubInFront) {
  // An empty self-extractor: a stub, then an end record pointing behind it.
  std::string stub = "MZ stub of a self-extracting archive";
  std::string end = std::string("PK\x05\x06", 4) + std::string(8, '\0');
  std::uint32_t at = std::uint32_t(stub.size());
  for (int i = 0; i < 4; ++i) end += char(0);  // directory size
  for (int i = 0; i < 4; ++i) end += char((at >> (8 * i)) & 0xFF);
  end += std::string(2, '\0');
  Write("s.exe", stub + end);
  Write("d/a.txt", "first");
  Write("d/b.txt", "second");
  Recorder r1, r2;
  ASSERT_EQ(Add(Path("s.exe"), {{"a.txt", false, "", Path("d")}}, AddOptions{}, r1), 1);
  ASSERT_EQ(Add(Path("s.exe"), {{"b.txt", false, "", Path("d")}}, AddOptions{}, r2), 1);
  EXPECT_EQ(Read(Path("s.exe")).substr(0, stub.size()), stub);
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip missing";
  std::string out;
  // No warning about extra bytes: the offsets count the stub.
  EXPECT_EQ(Run("unzip -tq " + Quote(Path("s.exe")), &out), 0) << out;
  EXPECT_EQ(out.find("extra bytes"), std::string::npos) << out;
}

}  // namespace
}  // namespace ziplibtest
