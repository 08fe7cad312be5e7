// The archive writer on its own. With the Zip64 limits lowered, archives of
// a few kilobytes carry every Zip64 record the writer knows (sizes in local
// and central headers, offsets, data descriptors, the end record and its
// locator), and the peer tools must read them as they read large archives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "AddPlan.h"
#include "ArchiveWriter.h"
#include "DosTime.h"
#include "Reporter.h"
#include "UniqueFd.h"
#include "WorkerPool.h"
#include "Zip64Records.h"
#include "ZipHeaders.h"

namespace orn::zipfmt {
namespace {

class TempDir {
 public:
  TempDir() {
    std::string t = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/ornzwXXXXXX");
    path_ = ::mkdtemp(t.data());
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& data) { std::ofstream(path, std::ios::binary) << data; }

bool HaveTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

int Run(const std::string& command, std::string* output = nullptr) {
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  int rc = ::pclose(p);
  if (output) *output = out;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string Text(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s;
  while (s.size() < size) s += "Konts " + std::to_string(gen() % 900) + ";summa " + std::to_string(gen() % 77) + "\n";
  s.resize(size);
  return s;
}

FileToAdd FileFor(const std::string& diskPath, const std::string& storedName, const std::string& password = "") {
  struct stat st {};
  ::stat(diskPath.c_str(), &st);
  FileToAdd f;
  f.diskPath = diskPath;
  f.storedName = storedName;
  f.size = std::uint64_t(st.st_size);
  f.mtime = st.st_mtime;
  f.mode = st.st_mode;
  f.encrypt = !password.empty();
  f.password = password;
  return f;
}

// Writes `items` into `zipPath`; the reporter's messages land in `messages`.
bool WriteArchive(const std::string& zipPath, const std::vector<WriteItem>& items, const WriterOptions& options,
                  int oldFd = -1) {
  UniqueFd out(::open(zipPath.c_str(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0644));
  Reporter reporter(nullptr, nullptr, nullptr, true, false);
  WorkerPool pool(2);
  ArchiveWriter writer(out.Get(), oldFd, "old.zip", reporter, pool, options);
  return writer.Write(items, "archive comment");
}

// Checks an archive with every peer that is here; python also compares each
// entry with the file it came from.
void ExpectPeersAccept(const std::string& zipPath, const std::string& srcDir, const std::string& password) {
  std::string out;
  if (HaveTool("unzip")) {
    EXPECT_EQ(Run("unzip -tq -P '" + password + "' '" + zipPath + "'", &out), 0) << out;
  }
  if (HaveTool("7z")) {
    EXPECT_EQ(Run("7z t -p'" + password + "' '" + zipPath + "'", &out), 0) << out;
  }
  if (!HaveTool("python3")) return;
  const std::string check =
      "import sys,zipfile,os\n"
      "z=zipfile.ZipFile(sys.argv[1])\n"
      "z.setpassword(sys.argv[3].encode())\n"
      "bad=z.testzip()\n"
      "if bad: print('DIFFERENT',bad)\n"
      "for i in z.infolist():\n"
      "  if i.is_dir(): continue\n"
      "  d=z.read(i,pwd=sys.argv[3].encode())\n"
      "  if d!=open(os.path.join(sys.argv[2],i.filename),'rb').read(): print('DIFFERENT',i.filename)\n"
      "print(len(z.infolist()),z.comment.decode())\n";
  WriteFile(srcDir + "/../check.py", check);
  EXPECT_EQ(Run("python3 '" + srcDir + "/../check.py' '" + zipPath + "' '" + srcDir + "' '" + password + "'", &out), 0)
      << out;
  EXPECT_EQ(out.find("DIFFERENT"), std::string::npos) << out;
}

TEST(ZipWriter, Zip64RecordsWrittenForLoweredLimitsAreReadByThePeersAndOurReader) {
  TempDir tmp;
  ::mkdir((tmp / "src").c_str(), 0755);
  ::mkdir((tmp / "src/sub").c_str(), 0755);
  // Against a limit of 6,000 bytes and 5 entries: a file below it, one above
  // it in several pieces (patched local header), one above it encrypted
  // (data descriptor), a directory entry and entries after the offsets have
  // passed the limit.
  struct Case {
    std::string name;
    std::size_t size;
    std::string password;
  };
  const std::vector<Case> cases = {{"small.txt", 300, ""},  {"big.db", 40000, ""},     {"secret.db", 20000, "pw"},
                                   {"sub/", 0, ""},         {"sub/late.txt", 100, ""}, {"sub/late-big.db", 9000, ""},
                                   {"sub/empty.txt", 0, ""}};
  std::vector<FileToAdd> files;
  files.reserve(cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    if (c.name.back() == '/') {
      FileToAdd d = FileFor(tmp / "src/sub", c.name);
      d.isDirectory = true;
      d.size = 0;
      files.push_back(d);
      continue;
    }
    WriteFile(tmp / ("src/" + c.name), Text(c.size, unsigned(i)));
    files.push_back(FileFor(tmp / ("src/" + c.name), c.name, c.password));
  }
  std::vector<WriteItem> items;
  for (FileToAdd& f : files) items.push_back({nullptr, &f, false});
  WriterOptions options;
  options.pieceSize = 4096;
  options.zip64.size = 6000;
  options.zip64.entries = 5;
  const std::string zipPath = tmp / "z64.zip";
  ASSERT_TRUE(WriteArchive(zipPath, items, options));

  UniqueFd fd(::open(zipPath.c_str(), O_RDONLY));
  ZipDirectory dir = ReadCentralDirectory(fd.Get(), zipPath);
  EXPECT_TRUE(dir.info.zip64);
  ASSERT_EQ(dir.entries.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const ZipDirEntry& e = dir.entries[i];
    EXPECT_EQ(e.Name, cases[i].name);
    EXPECT_EQ(e.UnpackedSize64, cases[i].size) << e.Name;
    const bool bigFile = options.zip64.LocalNeedsZip64(cases[i].size) && cases[i].name.back() != '/';
    const bool zip64 = e.PackedSize == kMax32 || e.UnpackedSize == kMax32 || e.LocalHeaderOffset == kMax32;
    EXPECT_EQ(zip64, bigFile || e.LocalHeaderPosition >= options.zip64.size) << e.Name;
    EXPECT_EQ(e.VersionNeeded >= kVersionZip64, zip64) << e.Name;
  }
  EXPECT_GE(dir.entries.back().LocalHeaderPosition, options.zip64.size);
  EXPECT_EQ(dir.info.comment, "archive comment");
  ExpectPeersAccept(zipPath, tmp / "src", "pw");

  // Kept entries are copied raw, descriptors and all, and their Zip64
  // fields follow their new offsets; under the real limits the copy needs
  // no Zip64 records at all.
  std::vector<WriteItem> keep;
  for (const ZipDirEntry& e : dir.entries) keep.push_back({&e, nullptr, false});
  const std::string copyPath = tmp / "copy.zip";
  ASSERT_TRUE(WriteArchive(copyPath, keep, WriterOptions{}, fd.Get()));
  UniqueFd copyFd(::open(copyPath.c_str(), O_RDONLY));
  ZipDirectory copy = ReadCentralDirectory(copyFd.Get(), copyPath);
  EXPECT_FALSE(copy.info.zip64);
  ASSERT_EQ(copy.entries.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(copy.entries[i].UnpackedSize64, cases[i].size);
  ExpectPeersAccept(copyPath, tmp / "src", "pw");
}

TEST(ZipWriter, OnlyTheZip64FieldIsTakenOutOfTheExtraFields) {
  const std::string zip64(
      "\x01\x00\x08\x00"
      "ABCDEFGH",
      12);
  const std::string time(
      "\x55\x54\x05\x00"
      "\x01"
      "abcd",
      9);
  const std::string cut(
      "\x75\x78\x09\x00"
      "xy",
      6);  // claims more than it has
  struct Case {
    std::string extra, expected;
    bool hadZip64;
  } cases[] = {
      {zip64 + time, time, true},      {time + zip64, time, true}, {time, time, false}, {"", "", false},
      {time + cut, time + cut, false}, {zip64 + cut, cut, true},
  };
  for (const Case& c : cases) {
    std::string_view block;
    EXPECT_EQ(WithoutExtraBlock(c.extra, kExtraZip64), c.expected);
    EXPECT_EQ(FindExtraBlock(c.extra, kExtraZip64, block), c.hadZip64);
  }
}

TEST(ZipWriter, ExternalAttributesCarryTheUnixModeAndTheDosBits) {
  struct Case {
    mode_t mode;
    bool dir;
    std::uint32_t expected;
  } cases[] = {
      {S_IFREG | 0644, false, 0x81A40000u}, {S_IFREG | 0444, false, 0x81240001u},  // read-only
      {S_IFDIR | 0755, true, 0x41ED0010u},  {S_IFLNK | 0777, false, 0xA1FF0000u},
      {S_IFREG | 0755, false, 0x81ED0000u},  // executable
  };
  for (const Case& c : cases) EXPECT_EQ(ExternalAttributes(c.mode, c.dir), c.expected) << std::oct << c.mode;
}

TEST(ZipWriter, FilesAreCutIntoPiecesOfTheChosenSize) {
  FileToAdd empty, exact, over;
  exact.size = 8192;
  over.size = 8193;
  FileToAdd dir;
  dir.isDirectory = true;
  std::vector<WriteItem> items = {
      {nullptr, &empty, false}, {nullptr, &dir, false}, {nullptr, &exact, true}, {nullptr, &over, false}};
  WriterOptions options;
  options.pieceSize = 4096;
  options.best = true;
  PiecePlan plan = PlanPieces(items, options);
  EXPECT_EQ(plan.firstPiece, (std::vector<std::size_t>{0, 1, 1, 3, 6}));
  ASSERT_EQ(plan.pieces.size(), 6u);
  EXPECT_TRUE(plan.pieces[0].single && plan.pieces[0].last);
  EXPECT_EQ(plan.pieces[0].size, 0u);
  EXPECT_TRUE(plan.pieces[1].store && !plan.pieces[1].last && !plan.pieces[1].single);
  EXPECT_TRUE(plan.pieces[2].last);
  EXPECT_EQ(plan.pieces[5].size, 1u);
  EXPECT_EQ(plan.pieces[5].offset, 8192u);
  EXPECT_EQ(plan.pieces[3].level, 12);
}

// Which old entries are kept, which replaced and which files appended, per
// mode; and which files are stored for their suffix.
TEST(ZipWriter, PlanKeepsReplacesAndAppendsByModeAndStoresListedSuffixes) {
  const std::time_t older = 1600000000, newer = 1700000000;
  auto entry = [](const std::string& name, std::time_t t) {
    ZipDirEntry e;
    e.Name = name;
    const std::uint32_t dos = ToDosDateTime(t);
    e.ModTime = std::uint16_t(dos);
    e.ModDate = std::uint16_t(dos >> 16);
    return e;
  };
  const std::vector<ZipDirEntry> old = {entry("a.db", older), entry("b.db", newer), entry("c.zip", older)};
  struct Case {
    bool update, freshen;
    std::string expected;  // per item: K = kept, A/S = added (S: stored), with the name
  } cases[] = {
      {false, false, "A:a.db A:b.db S:c.zip S:new.ZIP A:new.txt"},
      {true, false, "A:a.db K:b.db S:c.zip S:new.ZIP A:new.txt"},
      {false, true, "A:a.db K:b.db S:c.zip"},
      {true, true, "A:a.db K:b.db S:c.zip S:new.ZIP A:new.txt"},  // update wins
  };
  for (const Case& c : cases) {
    std::vector<FileToAdd> files(5);
    const char* names[] = {"a.db", "b.db", "c.zip", "new.ZIP", "new.txt"};
    for (std::size_t i = 0; i < files.size(); ++i) {
      files[i].storedName = names[i];
      files[i].mtime = i == 1 ? older : newer;
      files[i].size = 10;
    }
    AddPlan plan = PlanAdd(old, files, c.update, c.freshen, SplitSuffixes(".gif:ZIP:.png"));
    std::string got;
    for (const WriteItem& w : plan.items)
      got += std::string(got.empty() ? "" : " ") +
             (w.keep ? "K:" + w.keep->Name : (w.store ? "S:" : "A:") + w.add->storedName);
    EXPECT_EQ(got, c.expected) << c.update << c.freshen;
    EXPECT_EQ(plan.totalBytes, plan.newCount * 10);
  }
}

}  // namespace
}  // namespace orn::zipfmt
