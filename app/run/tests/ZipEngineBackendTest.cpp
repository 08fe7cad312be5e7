// The archive back-end over the real zip engine and its compression
// libraries: a run makes a real zip, each copy is tested entry by entry, and
// a damaged copy is refused. Skipped when the libraries are not built.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>

#include "ArchiveRun.h"
#include "Clock.h"
#include "CreateTable.h"
#include "DialogService.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "RemovableMedia.h"
#include "ScriptedDialogService.h"
#include "Table.h"
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

// A table is zipped from its checked copy, yet its entries have the names and
// times of the live files, and restore to the live bytes.
TEST_F(RunWithZipEngine, TablesAreArchivedFromTheirCopiesUnderTheirOwnNames) {
  ForceDirectories(root_ + "live");
  CreateTable(root_ + "live/DOKUM.DB", {{"Nr", paradox::kAlpha, 8}, {"Teksts", paradox::kAlpha, 40}}, {.keyFields = 1});
  Table table(root_ + "live", "DOKUM.DB");
  table.Open();
  for (const char* nr : {"0001", "0002", "0003"}) {
    table.Append();
    table.FieldByName("Nr").SetAsString(nr);
    table.Post();
  }
  table.Close();
  const std::vector<std::string> live = {root_ + "live/DOKUM.DB", root_ + "live/DOKUM.PX", root_ + "data/KONTI.PX"};
  for (const std::string& f : live)
    std::filesystem::last_write_time(f, std::filesystem::file_time_type::clock::now() - std::chrono::hours(30));

  ZipEngineBackend backend(engine_);
  MessageTexts texts;
  ArchiveRun run(backend, texts);
  run.SetLowerPriority(false);
  run.SetTemporaryDirectory(root_ + "tmp");
  run.buildRunList = [&live](const Job&) { return live; };
  run.writeJob = [](Job&) {};
  Job job;
  job.archiveDirectory = root_ + "arh/";
  job.archiveName = "Buh";
  RunResult r = run.Run(job);
  ASSERT_FALSE(r.generation.empty()) << test::ReadFile(root_ + "arh/ZuzIzu_log.txt");

  std::vector<std::string> names = backend.List(r.generation);
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected;
  for (const std::string& f : live) expected.push_back(f.substr(1));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(backend.Extract(r.generation, names, root_ + "restore/"), 3);
  for (const std::string& f : live) {
    SCOPED_TRACE(f);
    const std::string restored = root_ + "restore" + f;
    EXPECT_EQ(test::ReadFile(restored), test::ReadFile(f));
    EXPECT_NEAR(static_cast<double>(*FileMTime(restored)), static_cast<double>(*FileMTime(f)), 2.0);
  }
}

// Records what a back-end tells.
class FailureLog : public ArchiveBackendObserver {
 public:
  void OnProgress(const std::string&) override {}
  void OnMessage(int, const std::string& text) override { messages.push_back(text); }
  void OnFailure(const BackendFailure& failure) override { failures.push_back(failure); }
  std::vector<std::string> messages;
  std::vector<BackendFailure> failures;
};

// Every failure of a back-end call arrives the one way, naming what failed.
TEST_F(RunWithZipEngine, EveryFailureArrivesAsOneFailure) {
  ZipEngineBackend backend(engine_);
  engine_.SetAddOptions({AddDirNames});
  ASSERT_EQ(backend.Add({root_ + "data/KONTI.DB"}, root_ + "good.zip"), 1);
  const std::string good = test::ReadFile(root_ + "good.zip");
  std::string damaged = good;
  damaged[good.size() / 3] ^= 0x5A;
  test::WriteFile(root_ + "damaged.zip", damaged);
  const std::string stored = backend.List(root_ + "good.zip").at(0);

  struct Case {
    const char* what;
    std::function<bool()> call;  // true when the call itself said it worked
    std::string named;           // what a failure must name
  } cases[] = {
      {"test of a missing archive", [&] { return backend.Test({root_ + "missing.zip"}, nullptr); }, "missing.zip"},
      {"test of a damaged archive", [&] { return backend.Test({root_ + "damaged.zip"}, nullptr); }, "KONTI.DB"},
      {"extract of a name not there",
       [&] {
         return backend.Extract(root_ + "good.zip", {stored, "nothing.db"}, root_ + "x/") == 2;
       },
       "nothing.db"},
  };
  for (const Case& c : cases) {
    FailureLog log;
    backend.SetObserver(&log);
    EXPECT_FALSE(c.call()) << c.what;
    ASSERT_FALSE(log.failures.empty()) << c.what;
    bool named = false;
    for (const BackendFailure& f : log.failures) {
      EXPECT_GE(f.count, 1) << c.what;
      EXPECT_NE(f.ident, 0) << c.what;
      named = named || f.Describe().find(c.named) != std::string::npos;
    }
    EXPECT_TRUE(named) << c.what << ": " << log.failures.front().Describe();
    backend.SetObserver(nullptr);
  }
}

std::string Noise(std::size_t size) {
  std::string bytes;
  for (unsigned x = 11; bytes.size() < size;) bytes += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  return bytes;
}

std::vector<std::string> ZipFilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const FoundFile& f : FindFiles(dir, "*.zip", FindWhat::Files)) names.push_back(f.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(RunWithZipEngine, AVolumeRunPlacesWholeSetsAndAShorterSetLeavesNoStaleVolume) {
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
  job.plusPath = root_ + "plus/";
  job.volumesOn = true;
  job.volumeSize = 100;  // thousands of bytes

  test::WriteFile(root_ + "data/KONTI.DB", Noise(250000));
  RunResult first = run.Run(job);
  ASSERT_EQ(first.exitStatus, kRunComplete) << test::ReadFile(root_ + "arh/ZuzIzu_log.txt");
  const std::vector<std::string> arh = ZipFilesIn(root_ + "arh/");
  ASSERT_EQ(arh.size(), 3u);
  EXPECT_EQ(ZipFilesIn(root_ + "plus/").size(), 3u);
  for (const std::string& name : arh) EXPECT_LE(FileSize(root_ + "arh/" + name).value_or(-1), 100000);
  EXPECT_TRUE(ZipFilesIn(root_ + "tmp/").empty());

  // The set is restored through its last volume.
  const std::string last = root_ + "arh/" + arh.back();
  EXPECT_EQ(backend.Extract(last, {}, root_ + "restore/"), 2);
  std::string restored;
  for (const auto& f : std::filesystem::recursive_directory_iterator(root_ + "restore"))
    if (f.path().filename() == "KONTI.DB") restored = test::ReadFile(f.path().string());
  EXPECT_TRUE(restored == Noise(250000)) << restored.size() << " bytes restored";

  test::WriteFile(root_ + "data/KONTI.DB", "small now");
  RunResult second = run.Run(job);
  ASSERT_EQ(second.exitStatus, kRunComplete) << test::ReadFile(root_ + "arh/ZuzIzu_log.txt");
  EXPECT_EQ(ZipFilesIn(root_ + "arh/"), std::vector<std::string>{arh.front()});
  EXPECT_EQ(ZipFilesIn(root_ + "plus/").size(), 1u);
  EXPECT_EQ(backend.List(root_ + "arh/" + arh.front()).size(), 2u);
}

// A run whose temporary directory lies on a stick (a portable program's
// folder) writes each volume on a disk of its own and asks for the next one
// through the dialog service. OK goes on on the second stick, though a set
// spread over disks cannot be read back at once; Cancel, or nobody to ask,
// ends the split and the log names the disk that was wanted. No generation is
// placed either way.
TEST_F(RunWithZipEngine, VolumesOnAStickAskForTheNextDisk) {
  // One mount point; the disk in it is the folder there now.
  class Stick : public MediaProbe {
   public:
    std::string mountPoint, identity = "disk1";
    std::vector<Medium> Mounted() override {
      std::int64_t used = 0;
      for (const auto& e : std::filesystem::recursive_directory_iterator(mountPoint))
        if (e.is_regular_file()) used += static_cast<std::int64_t>(e.file_size());
      return {{mountPoint, identity, 1 << 20, (1 << 20) - used}};
    }
    void Pause() override {}
  };
  // The person puts the next disk in before answering.
  class Person : public ScriptedDialogService {
   public:
    std::function<void()> changeDisk;
    int MessageDialog(const std::string& message, const std::string& caption, DialogType type,
                      unsigned buttons) override {
      if (!messageDialogAnswers.empty() && messageDialogAnswers.front() == kMrOk) changeDisk();
      return ScriptedDialogService::MessageDialog(message, caption, type, buttons);
    }
  };
  struct Row {
    const char* what;
    bool unattended;
    int answer;
    const char* logged;  // what the log says of the split, "" when it went on
  } rows[] = {
      {"the next disk is put in", false, kMrOk, ""},
      {"cancelled", false, kMrCancel, "Aborted by the user: Please insert disk volume 2 of 2 in drive: "},
      {"nobody to ask", true, kMrOk,
       "A disk is needed, but nobody can insert it: Please insert disk volume 2 of 2 in drive: "},
  };
  test::WriteFile(root_ + "data/KONTI.DB", Noise(250000));
  engine_.SetUnattended(false);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string base = root_ + row.what + "/";
    auto stick = std::make_unique<Stick>();
    Stick& media = *stick;
    media.mountPoint = base + "media/STICK/";
    ForceDirectories(media.mountPoint);
    ForceDirectories(base + "out/");
    std::unique_ptr<MediaProbe> previousMedia = SetMedia(std::move(stick));
    auto person = std::make_unique<Person>();
    Person& dialogs = *person;
    dialogs.messageDialogAnswers = {row.answer};
    dialogs.changeDisk = [&] {
      std::filesystem::rename(media.mountPoint, base + "out/" + media.identity);
      ForceDirectories(media.mountPoint);
      media.identity = "disk2";
    };
    std::unique_ptr<DialogService> previousDialogs = SetDialogs(std::move(person));

    ZipEngineBackend backend(engine_);
    backend.SetUnattended(row.unattended);
    MessageTexts texts;
    ArchiveRun run(backend, texts);
    run.SetLowerPriority(false);
    run.SetTemporaryDirectory(media.mountPoint + "OrnZpArh_Temporary_Directory");
    run.buildRunList = [this](const Job&) { return std::vector<std::string>{root_ + "data/KONTI.DB"}; };
    run.writeJob = [](Job&) {};
    Job job;
    job.archiveDirectory = base + "arh/";
    job.archiveName = "Buh";
    job.volumesOn = true;
    job.volumeSize = 150;  // thousands of bytes: two volumes
    const RunResult result = run.Run(job);
    backend.SetUnattended(false);
    // Taken back, so that what they saw stays readable.
    const std::unique_ptr<DialogService> keptDialogs = SetDialogs(std::move(previousDialogs));
    const std::unique_ptr<MediaProbe> keptMedia = SetMedia(std::move(previousMedia));

    const std::string log = test::ReadFile(base + "arh/ZuzIzu_log.txt");
    EXPECT_EQ(result.exitStatus, kRunNoGeneration) << log;
    EXPECT_TRUE(ZipFilesIn(base + "arh/").empty());
    if (row.unattended) {
      EXPECT_TRUE(dialogs.asked.empty());
    } else {
      ASSERT_FALSE(dialogs.asked.empty());
      EXPECT_EQ(dialogs.asked.front(), "dialog: Please insert disk volume 2 of 2\r\nin drive: " + media.mountPoint);
    }
    if (*row.logged) {
      EXPECT_NE(log.find(row.logged + media.mountPoint), std::string::npos) << log;
    } else {
      EXPECT_EQ(ZipFilesIn(base + "out/disk1/OrnZpArh_Temporary_Directory/"), std::vector<std::string>{"Buh001.zip"});
      EXPECT_EQ(test::ReadFile(media.mountPoint + "DISKLABEL.TXT"), "PKBACK# 002\r\n");
    }
  }
}

// A restore of an AES archive asks through the engine's password window,
// says when an answer was wrong, and writes nothing without the password.
TEST_F(RunWithZipEngine, RestoreAsksForTheAesPasswordAndWritesNothingWithoutIt) {
  TZipEngine maker;
  maker.SetLibDirectory(LibraryDir());
  maker.SetUnattended(true);
  maker.SetAddOptions({AddEncrypt});
  maker.SetPassword("right");
  maker.SetAddAesKeyBits(256);
  maker.SetZipFileName(root_ + "aes.zip");
  maker.FSpecArgs = {root_ + "data/KONTI.DB"};
  maker.Add();
  ASSERT_EQ(maker.SuccessCount(), 1);

  struct Case {
    const char* what;
    std::deque<std::optional<std::string>> answers;
    int restored;
    std::vector<std::string> prompts;
  } cases[] = {
      {"wrong, then right",
       {"wrong", "right"},
       1,
       {"password: Enter the password:", "password: The password is wrong. Enter the password:"}},
      {"three times wrong",
       {"a", "b", "c"},
       0,
       {"password: Enter the password:", "password: The password is wrong. Enter the password:",
        "password: The password is wrong. Enter the password:"}},
      {"cancelled", {std::nullopt}, 0, {"password: Enter the password:"}},
  };
  engine_.SetUnattended(false);
  for (const Case& c : cases) {
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService& dialogs = *scripted;
    dialogs.passwords = c.answers;
    std::unique_ptr<DialogService> previous = SetDialogs(std::move(scripted));
    ZipEngineBackend backend(engine_);
    FailureLog log;
    backend.SetObserver(&log);
    const std::string target = root_ + "restore-" + std::to_string(c.restored) + c.what + "/";
    EXPECT_EQ(backend.Extract(root_ + "aes.zip", {}, target), c.restored) << c.what;
    EXPECT_EQ(dialogs.asked, c.prompts) << c.what;
    const std::vector<FoundFile> written = FindFiles(target, "*", FindWhat::Files);
    if (c.restored) {
      EXPECT_TRUE(log.failures.empty()) << c.what;
      ASSERT_EQ(written.size(), 1u) << c.what;
    } else {
      ASSERT_FALSE(log.failures.empty()) << c.what;
      EXPECT_NE(log.failures.front().Describe().find("password"), std::string::npos)
          << c.what << ": " << log.failures.front().Describe();
      EXPECT_TRUE(written.empty()) << c.what << ": " << written.front().name;
    }
    SetDialogs(std::move(previous));
  }
}

}  // namespace
}  // namespace orn
