// The archive back-end over the real zip engine and its compression
// libraries: a run makes a real zip, each copy is tested entry by entry, and
// a damaged copy is refused. Skipped when the libraries are not built.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ArchiveRun.h"
#include "Clock.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"

namespace orn {
namespace {

std::string LibraryDir() {
  const char* dir = std::getenv("ORN_LIB_DIR");
  return dir && *dir ? dir : ORN_BIN_DIR;
}

class RunWithZipEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FileExists(JoinPath(LibraryDir(), "libornzip.so")) || !FileExists(JoinPath(LibraryDir(), "libornunz.so")))
      GTEST_SKIP() << "the compression libraries are not built";
    root_ = test::MakeScratchDir();
    engine_.SetLibDirectory(LibraryDir());
    engine_.SetUnattended(true);
    test::WriteFile(root_ + "data/KONTI.DB", std::string(50000, 'k') + "end");
    test::WriteFile(root_ + "data/KONTI.PX", "index");
    previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2025, 12, 10) + 0.5));
  }
  void TearDown() override {
    if (previousClock_) SetClock(std::move(previousClock_));
    if (!root_.empty()) test::RemoveTree(root_);
  }

  std::string root_;
  TZipEngine engine_;
  std::unique_ptr<Clock> previousClock_;
};

TEST_F(RunWithZipEngine, RunMakesTestedCopiesAndRefusesADamagedOne) {
  ZipEngineBackend backend(engine_);
  MessageTexts texts;
  ArchiveRun run(backend, texts);
  run.SetLowerPriority(false);
  run.SetTemporaryDirectory(root_ + "tmp");
  run.buildRunList = [this](const Job&) {
    return std::vector<std::string>{root_ + "data/KONTI.DB", root_ + "data/KONTI.PX"};
  };
  run.writeJob = [](Job&) {};
  Job job;
  job.archiveDirectory = root_ + "arh/";
  job.archiveName = "Buh";
  job.rotationScheme = 'W';
  job.uniqueScheme = 'W';
  job.plusPath = root_ + "plus/";

  RunResult r = run.Run(job);
  ASSERT_EQ(r.exitStatus, kRunComplete) << test::ReadFile(root_ + "arh/ZuzIzu_log.txt");
  EXPECT_EQ(r.verified.size(), 3u);
  std::vector<std::string> names = backend.List(root_ + "arh/New_Folder/Buh(DATE=10,12,2025).zip");
  ASSERT_EQ(names.size(), 2u);

  std::string why;
  ForceDirectories(root_ + "probe");
  engine_.SetExtrBaseDir(root_ + "probe/");
  EXPECT_TRUE(backend.Test({r.generation}, &why)) << why;
  EXPECT_TRUE(FindFiles(root_ + "probe/", "*.*", FindWhat::Both).empty()) << "testing writes nothing";
  std::string bytes = test::ReadFile(r.generation);
  std::string damaged = bytes;
  damaged[bytes.size() / 3] ^= 0x5A;  // inside the compressed data of KONTI.DB
  test::WriteFile(root_ + "damaged.zip", damaged);
  EXPECT_FALSE(backend.Test({root_ + "damaged.zip"}, &why));
  EXPECT_FALSE(why.empty());

  int written = backend.Extract(r.generation, {names[0]}, root_ + "restore/");
  EXPECT_EQ(written, 1);
}

}  // namespace
}  // namespace orn
