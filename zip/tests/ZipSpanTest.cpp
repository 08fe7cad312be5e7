// Volume sets: the exact sizes of a split, records that never cross a
// volume's end, joining back to the very bytes that were split, and sets that
// are broken in the ways a user meets (a volume missing, two sets mixed, a
// volume cut short, an end record that lies).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "FileReplace.h"
#include "FileSystem.h"
#include "Spanning.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

// A stored archive of exactly `size` bytes holding one entry.
std::string ZipOfSize(std::size_t size, char fill = 'x') {
  const std::string name = "big.bin";
  const std::size_t overhead = 30 + 46 + 2 * name.size() + 22;
  return MakeZip({{name, std::string(size - overhead, fill)}});
}

std::vector<std::uintmax_t> VolumeSizes(const std::string& target) {
  std::vector<std::uintmax_t> sizes;
  for (int v = 0; orn::FileExists(orn::VolumeFileName(target, v)); ++v)
    sizes.push_back(std::filesystem::file_size(orn::VolumeFileName(target, v)));
  return sizes;
}

int Ident(const std::function<void()>& step) {
  try {
    step();
  } catch (const EZipEngine& e) {
    return e.Ident();
  }
  return 0;
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8 |
         static_cast<unsigned char>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::size_t FilesIn(const std::string& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

TEST(ZipSpan, VolumeNamesCarryThreeDigitsBeforeTheExtension) {
  EXPECT_EQ(orn::VolumeFileName("/b/ARCH.zip", 0), "/b/ARCH001.zip");
  EXPECT_EQ(orn::VolumeFileName("/b/ARCH.zip", 998), "/b/ARCH999.zip");
  EXPECT_EQ(orn::VolumeFileName("/b/ARCH003.zip", 1, true), "/b/ARCH002.zip");
  EXPECT_EQ(orn::VolumeFileName("/b.d/noext", 1), "/b.d/noext002");
}

TEST(ZipSpan, SplitSizesFollowTheRoom) {
  struct Case {
    std::int64_t keepFree;
    std::vector<std::uintmax_t> sizes;
  } cases[] = {
      // Three million bytes plus the marker, minus twice 1.36 million.
      {0, {1360000, 1360000, 3000004 - 2 * 1360000}},
      // Only the first volume gives up the room kept free.
      {100000, {1260000, 1360000, 3000004 - 1260000 - 1360000}},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    WriteFile(dir / "temp.zip", ZipOfSize(3000000));
    orn::SpanSettings settings{1360000, c.keepFree, 65536};
    EXPECT_EQ(orn::SplitZipToVolumes(dir / "temp.zip", dir / "ARCH.zip", settings, {}), 3);
    EXPECT_EQ(VolumeSizes(dir / "ARCH.zip"), c.sizes) << "keep free " << c.keepFree;
    const std::string first = ReadFile(dir / "ARCH001.zip");
    EXPECT_EQ(U32At(first, 0), 0x08074b50u);
    EXPECT_EQ(U32At(first, 4), 0x04034b50u);
  }
}

TEST(ZipSpan, AHeaderThatDoesNotFitStartsTheNextVolume) {
  ScratchDir dir;
  // The first entry leaves 20 bytes of room on the first volume: too little
  // for the next local header (30 + name), which then opens volume 2.
  const std::size_t room = 100000;
  const std::size_t firstData = room - 4 - 30 - 5 - 20;
  WriteFile(dir / "temp.zip", MakeZip({{"a.bin", std::string(firstData, 'a')}, {"b.bin", std::string(150000, 'b')}}));
  orn::SpanSettings settings{static_cast<std::int64_t>(room), 0, 1000};
  ASSERT_EQ(orn::SplitZipToVolumes(dir / "temp.zip", dir / "S.zip", settings, {}), 3);
  const std::vector<std::uintmax_t> sizes = VolumeSizes(dir / "S.zip");
  EXPECT_EQ(sizes[0], room - 20);
  EXPECT_EQ(sizes[1], room);  // the data of b.bin is cut at the exact byte
  const std::string second = ReadFile(dir / "S002.zip");
  EXPECT_EQ(U32At(second, 0), 0x04034b50u);
  EXPECT_EQ(second.substr(30, 5), "b.bin");
}

class ZipSpanJoin : public ::testing::Test {
 protected:
  void SetUp() override {
    original = MakeZip({{"one.txt", std::string(90000, '1'), 0, 20, 0, 0, "first"},
                        {"dir/two.txt", std::string(120000, '2')},
                        {"three.txt", "3"}},
                       "the archive's comment");
    WriteFile(dir / "temp.zip", original);
    orn::SpanSettings settings{80000, 0, 1000};
    volumes = orn::SplitZipToVolumes(dir / "temp.zip", dir / "SET.zip", settings, {});
  }
  int Join(const std::string& volume) {
    return Ident([&] { orn::JoinZipVolumes(volume, out / "joined.zip", {}); });
  }

  ScratchDir dir;
  ScratchDir out;
  std::string original;
  int volumes = 0;
};

TEST_F(ZipSpanJoin, JoiningFromTheLastVolumeGivesBackTheSplitBytes) {
  ASSERT_EQ(volumes, 3);
  ASSERT_EQ(Join(dir / "SET003.zip"), 0);
  // Same bytes: every header says disk 0 and offsets count from the start.
  EXPECT_EQ(ReadFile(out / "joined.zip"), original);
  EXPECT_EQ(FilesIn(out.Path()), 1u);
  if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("unzip -tq '" + out / "joined.zip" + "' >/dev/null").c_str()), 0);
  }
}

TEST_F(ZipSpanJoin, BrokenSetsAreRefusedAndLeaveNothing) {
  ASSERT_EQ(volumes, 3);
  ScratchDir other;
  WriteFile(other / "temp.zip", MakeZip({{"x.txt", std::string(100000, 'x')}, {"y.txt", std::string(100000, 'y')}}));
  ASSERT_EQ(orn::SplitZipToVolumes(other / "temp.zip", other / "SET.zip", {80000, 0, 1000}, {}), 3);

  using Dir = const std::string&;
  struct Case {
    const char* what;
    std::function<void(Dir)> spoil;
    std::string given;
    int ident;
  } cases[] = {
      {"first volume given", [](Dir) {}, "SET001.zip", 11037},
      {"middle volume given", [](Dir) {}, "SET002.zip", 11038},
      {"middle volume missing", [](Dir d) { orn::DeleteFileAt(d + "/SET002.zip"); }, "SET003.zip", 11001},
      {"volume of another set", [&](Dir d) { WriteFile(d + "/SET002.zip", ReadFile(other / "SET002.zip")); },
       "SET003.zip", 11014},
      {"last volume cut short",
       [](Dir d) {
         std::string last = ReadFile(d + "/SET003.zip");
         WriteFile(d + "/SET003.zip", last.substr(0, last.size() - 60));
       },
       "SET003.zip", 11038},
      {"middle volume cut short",
       [](Dir d) {
         std::string middle = ReadFile(d + "/SET002.zip");
         WriteFile(d + "/SET002.zip", middle.substr(0, middle.size() - 100));
       },
       "SET003.zip", 11021},
      {"end record claims 999 volumes",
       [](Dir d) {
         std::string last = ReadFile(d + "/SET003.zip");
         const std::size_t end = last.rfind(std::string("PK\x05\x06", 4));
         last[end + 4] = static_cast<char>(998 & 0xff);
         last[end + 5] = static_cast<char>(998 >> 8);
         WriteFile(d + "/SET003.zip", last);
       },
       "SET003.zip", 11024},
      {"first volume without marker",
       [](Dir d) {
         std::string first = ReadFile(d + "/SET001.zip");
         first[0] = 'X';
         WriteFile(d + "/SET001.zip", first);
       },
       "SET003.zip", 11031},
  };
  for (const Case& c : cases) {
    ScratchDir fresh;
    for (const char* n : {"SET001.zip", "SET002.zip", "SET003.zip"}) WriteFile(fresh / n, ReadFile(dir / n));
    c.spoil(fresh.Path());
    EXPECT_EQ(Join(fresh / c.given), c.ident) << c.what;
    EXPECT_EQ(FilesIn(out.Path()), 0u) << c.what;
  }
}

TEST(ZipSpan, AFailedSplitLeavesNoVolumes) {
  ScratchDir dir;
  WriteFile(dir / "temp.zip", ZipOfSize(300000));
  // The first volume has no room at all once the room kept free is taken.
  EXPECT_EQ(Ident([&] { orn::SplitZipToVolumes(dir / "temp.zip", dir / "A.zip", {100000, 100000, 1000}, {}); }), 11032);
  // An existing volume is not overwritten without being asked.
  WriteFile(dir / "B002.zip", "someone's file");
  EXPECT_EQ(Ident([&] { orn::SplitZipToVolumes(dir / "temp.zip", dir / "B.zip", {100000, 0, 1000}, {}); }), 11025);
  EXPECT_EQ(ReadFile(dir / "B002.zip"), "someone's file");
  EXPECT_FALSE(orn::FileExists(dir / "B001.zip"));
  EXPECT_EQ(FilesIn(dir.Path()), 2u);
  EXPECT_EQ(Ident([&] { orn::SplitZipToVolumes(dir / "missing.zip", dir / "C.zip", {100000, 0, 1000}, {}); }), 11001);
}

namespace {
int stepsLeft = 0;
void KillAtStep(orn::FileStep, const std::string&) {
  if (--stepsLeft == 0) ::raise(SIGKILL);
}
}  // namespace

// A split killed at every step into a folder that holds a longer set of the
// same name: the next job in the folder finds the whole old set or the whole
// new one through its last volume, and nothing of the program's own.
TEST(ZipSpan, AKilledSplitLeavesTheOldSetOrTheNewOne) {
  const std::string oldZip = ZipOfSize(450000, 'o'), newZip = ZipOfSize(250000, 'n');
  const orn::SpanSettings settings{100000, 0, 1000};
  orn::SpanEvents events;
  events.overwrite = [](const std::string&) { return true; };
  bool finished = false;
  int step = 1;
  for (; !finished && step < 40; ++step) {
    SCOPED_TRACE("killed at step " + std::to_string(step));
    ScratchDir dir, out;
    WriteFile(dir / "old.zip", oldZip);
    ASSERT_EQ(orn::SplitZipToVolumes(dir / "old.zip", dir / "A.zip", settings, {}), 5);
    WriteFile(dir / "new.zip", newZip);
    pid_t pid = ::fork();
    if (pid == 0) {
      stepsLeft = step;
      orn::SetFileStepHook(&KillAtStep);
      orn::SplitZipToVolumes(dir / "new.zip", dir / "A.zip", settings, events);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    finished = !WIFSIGNALED(status);

    orn::RemoveStaleTemporaries(dir.Path());
    EXPECT_EQ(FilesIn(dir.Path()), VolumeSizes(dir / "A.zip").size() + 2) << "something beside the set";
    std::string last = dir / "A.zip";
    for (int v = 0; orn::FileExists(orn::VolumeFileName(dir / "A.zip", v)); ++v)
      last = orn::VolumeFileName(dir / "A.zip", v);
    ASSERT_EQ(Ident([&] { orn::JoinZipVolumes(last, out / "joined.zip", {}); }), 0);
    const std::string joined = ReadFile(out / "joined.zip");
    EXPECT_TRUE(joined == oldZip || joined == newZip);
    if (finished) {
      EXPECT_EQ(joined, newZip);
    }
  }
  EXPECT_TRUE(finished);
  EXPECT_GT(step, 6);
}

TEST(ZipSpan, AVolumeSizeTooSmallIsSaidOnce) {
  ScratchDir dir;
  WriteFile(dir / "temp.zip", ZipOfSize(300000));
  struct Case {
    orn::SpanSettings settings;
    const char* message;
  } cases[] = {
      {{2000, 0, 65536}, "The volume size of 2000 bytes is below the smallest volume size of 65536 bytes"},
      {{30, 0, 10}, "The volume size of 30 bytes is smaller than a header of 37 bytes, which must fit on one volume"},
  };
  for (const Case& c : cases) {
    try {
      orn::SplitZipToVolumes(dir / "temp.zip", dir / "A.zip", c.settings, {});
      ADD_FAILURE() << "no error";
    } catch (const EZipEngine& e) {
      EXPECT_EQ(e.Ident(), 11032);
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
  }
}

TEST(ZipSpan, EngineWritesAVolumeSetAndExtractsItFromTheLastVolume) {
  if (!orn::FileExists(std::string(ORN_BIN_DIR) + "/libornzip.so")) GTEST_SKIP() << "libraries not built";
  ScratchDir dir;
  std::string noise;
  for (unsigned i = 0, x = 7; i < 400000; ++i) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  WriteFile(dir / "src/noise.bin", noise);
  WriteFile(dir / "src/a/small.txt", "small");
  TZipEngine zip;
  MessageLog log;
  zip.SetUnattended(true);
  zip.SetLibDirectory(ORN_BIN_DIR);
  zip.SetTempDir(dir.Path());
  log.Attach(zip);
  zip.SetAddOptions({AddDirNames, AddRecurseDirs, AddDiskSpan});
  zip.SetMaxVolumeSize(150000);
  zip.SetRootDir(dir / "src");
  zip.SetZipFileName(dir / "set/B.zip");
  std::filesystem::create_directories(dir / "set");
  zip.FSpecArgs = {"*.*"};
  zip.Add();
  ASSERT_EQ(zip.SuccessCount(), 2) << zip.LastMessage();
  EXPECT_EQ(FilesIn(dir / "set"), 3u);
  EXPECT_EQ(FilesIn(dir.Path()), 2u);  // the temporary zip is gone

  zip.SetZipFileName(dir / "set/B003.zip");
  ASSERT_EQ(zip.Count(), 2) << zip.LastMessage();
  zip.SetExtrBaseDir(dir / "out");
  zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
  zip.Extract();
  EXPECT_EQ(zip.SuccessCount(), 2) << zip.LastMessage();
  EXPECT_EQ(ReadFile(dir / "out/noise.bin"), noise);
  EXPECT_EQ(ReadFile(dir / "out/a/small.txt"), "small");
  EXPECT_EQ(FilesIn(dir.Path()), 3u);  // the joined zip is gone

  zip.SetZipFileName(dir / "set/B002.zip");  // a middle volume is refused when listed
  EXPECT_TRUE(log.Has(11038));
}

TEST(ZipSpan, ASetWhoseDirectoryOutgrowsAVolumeIsListedFromItsLastVolume) {
  ScratchDir dir;
  std::vector<MemEntry> entries;
  for (int i = 0; i < 3000; ++i) entries.push_back({"entry" + std::to_string(i) + ".txt", std::to_string(i)});
  WriteFile(dir / "temp.zip", MakeZip(entries));
  const int volumes = orn::SplitZipToVolumes(dir / "temp.zip", dir / "D.zip", {100000, 0, 1000}, {});
  ASSERT_GE(volumes, 3);
  TZipEngine zip;
  MessageLog log;
  zip.SetUnattended(true);
  zip.SetTempDir(dir / "tmp");
  std::filesystem::create_directories(dir / "tmp");
  log.Attach(zip);
  zip.SetZipFileName(orn::VolumeFileName(dir / "D.zip", volumes - 1));
  EXPECT_EQ(zip.Count(), 3000) << zip.LastMessage();
  EXPECT_TRUE(zip.IsSpanned());
  EXPECT_EQ(FilesIn(dir / "tmp"), 0u);  // the joined copy is gone
}
