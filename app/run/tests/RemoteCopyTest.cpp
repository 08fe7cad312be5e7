// The second copy to a remote, against real servers on the loopback: rclone
// serves a scratch folder over SFTP or WebDAV, the copy goes up through
// rclone as the program runs it, and the test looks at the served folder
// itself. A remote that fails in any way must leave what it held, and the
// log must carry rclone's reason.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "ArchiveRun.h"
#include "Clock.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "MessageLog.h"
#include "RcloneServers.h"
#include "RemoteCopy.h"

namespace orn {
namespace {

using test::ReadFile;
using test::ServedFolder;
using test::WriteFile;

std::vector<std::string> TemporaryNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const FoundFile& f : FindFiles(folder, "*", FindWhat::Files))
    if (IsTemporaryName(f.name)) names.push_back(f.name);
  return names;
}

class RemoteCopyTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_EQ(Rclone().Missing(), "") << "rclone comes with the project's dependencies";
    root_ = test::MakeScratchDir();
    served_ = root_ + "served/";
    ForceDirectories(served_);
    ForceDirectories(root_ + "arh/");
    config_ = std::make_unique<test::RcloneConfig>(root_);
  }
  void TearDown() override {
    servers_.clear();
    if (mounted_) test::Unmount(served_);
    config_.reset();
    ::unsetenv("RCLONE_BWLIMIT");
    if (!root_.empty()) test::RemoveTree(root_);
  }

  // Serves `served_` and names it `name` in the configuration.
  ServedFolder& Serve(ServedFolder::Kind kind, const std::string& name, const std::string& password = "secret",
                      long maxFileSize = 0) {
    servers_.push_back(std::make_unique<ServedFolder>(kind, served_, root_, maxFileSize));
    ServedFolder& server = *servers_.back();
    EXPECT_TRUE(server.Ready()) << server.Log();
    if (kind == ServedFolder::Sftp)
      config_->AddSftp(name, server.Port(), password);
    else
      config_->AddWebdav(name, server.Port(), password);
    return server;
  }

  std::string Local(const std::string& name, const std::string& bytes) {
    WriteFile(root_ + "temp/" + name, bytes);
    return root_ + "temp/" + name;
  }

  std::string LogText() const {
    return FileExists(root_ + "arh/ZuzIzu_log.txt") ? ReadFile(root_ + "arh/ZuzIzu_log.txt") : "";
  }

  std::string root_, served_;
  bool mounted_ = false;
  std::unique_ptr<test::RcloneConfig> config_;
  std::vector<std::unique_ptr<ServedFolder>> servers_;
  MessageTexts texts_;
};

std::string Bytes(size_t size, char seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7 + (i >> 9));
  return s;
}

TEST_F(RemoteCopyTest, EachServerTakesACheckedCopy) {
  for (ServedFolder::Kind kind : {ServedFolder::Sftp, ServedFolder::Webdav}) {
    SCOPED_TRACE(kind == ServedFolder::Sftp ? "sftp" : "webdav");
    const std::string name = kind == ServedFolder::Sftp ? "offsite" : "dav";
    Serve(kind, name);
    WriteFile(served_ + "buh/Buh(Day_3-th).zip", "last week's copy");
    const std::string bytes = Bytes(300 * 1000, 'a');
    MessageLog log(texts_, root_ + "arh/", false);
    ASSERT_TRUE(PlaceRemoteCopy({{Local("Buh.zip", bytes), name + ":buh/Buh(Day_3-th).zip", {}}}, false, Rclone(), log))
        << LogText();
    EXPECT_EQ(ReadFile(served_ + "buh/Buh(Day_3-th).zip"), bytes);
    EXPECT_TRUE(TemporaryNames(served_ + "buh/").empty());
    EXPECT_EQ(log.ProblemCount(), 0) << LogText();
    servers_.clear();
  }
}

TEST_F(RemoteCopyTest, AFailingRemoteKeepsWhatItHeldAndTheLogSaysWhy) {
  struct Row {
    const char* what;
    std::function<std::string(RemoteCopyTest&, RemoteCopyOptions&)> arrange;  // answers the remote's name
    const char* logged;                                                       // a piece of rclone's reason, or of ours
  };
  const Row rows[] = {
      {"a wrong password",
       [](RemoteCopyTest& t, RemoteCopyOptions&) {
         t.Serve(ServedFolder::Webdav, "dav", "not the password");
         return std::string("dav");
       },
       "401"},
      {"a wrong SFTP password",
       [](RemoteCopyTest& t, RemoteCopyOptions&) {
         t.Serve(ServedFolder::Sftp, "offsite", "not the password");
         return std::string("offsite");
       },
       "unable to authenticate"},
      {"a remote name that is not configured",
       [](RemoteCopyTest&, RemoteCopyOptions&) { return std::string("nowhere"); },
       "rclone has no remote named \"nowhere\""},
      {"a server killed during the upload",
       [](RemoteCopyTest& t, RemoteCopyOptions& options) {
         ServedFolder& server = t.Serve(ServedFolder::Sftp, "offsite");
         ::setenv("RCLONE_BWLIMIT", "1M", 1);  // slow enough to be caught half way
         options.copying = [&server](const std::string&, std::int64_t, std::int64_t) {
           server.Kill();
           return true;
         };
         return std::string("offsite");
       },
       "offsite"},
      {"a server that stops answering",
       [](RemoteCopyTest& t, RemoteCopyOptions& options) {
         ServedFolder& server = t.Serve(ServedFolder::Sftp, "offsite");
         ::setenv("RCLONE_BWLIMIT", "1M", 1);
         options.timeLimit.base = std::chrono::seconds(3);
         options.timeLimit.slowestBytesPerSecond = 1 << 30;
         options.copying = [&server](const std::string&, std::int64_t, std::int64_t) {
           server.Pause();
           return true;
         };
         return std::string("offsite");
       },
       "did not finish within 3 seconds"},
      {"a full remote",
       [](RemoteCopyTest& t, RemoteCopyOptions&) {
         // A small file system behind the served folder; where none can be
         // mounted, a server that may write no large file.
         const std::string old = ReadFile(t.served_ + "buh/Buh(Day_3-th).zip");
         t.mounted_ = test::MountSmallFileSystem(t.served_, 512);
         if (t.mounted_) WriteFile(t.served_ + "buh/Buh(Day_3-th).zip", old);
         t.Serve(ServedFolder::Sftp, "offsite", "secret", t.mounted_ ? 0 : 512 * 1024);
         return std::string("offsite");
       },
       "buh/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFile(served_ + "buh/Buh(Day_3-th).zip", "last week's copy");
    RemoteCopyOptions options;
    const std::string remote = row.arrange(*this, options);
    MessageLog log(texts_, root_ + "arh/", false);
    EXPECT_FALSE(PlaceRemoteCopy({{Local("Buh.zip", Bytes(3 << 20, 'b')), remote + ":buh/Buh(Day_3-th).zip", {}}},
                                 false, Rclone(), log, options));
    const std::string logged = LogText();
    EXPECT_NE(logged.find("The second copy could not be sent to \"" + remote + ":buh/Buh(Day_3-th).zip\""),
              std::string::npos)
        << logged;
    EXPECT_NE(logged.find(row.logged), std::string::npos) << logged;
    EXPECT_EQ(ReadFile(served_ + "buh/Buh(Day_3-th).zip"), "last week's copy");
    EXPECT_EQ(log.ProblemCount(), 1);

    // What a killed upload left under a temporary name goes with the next
    // good upload to that folder.
    servers_.clear();
    if (mounted_) test::Unmount(served_);
    mounted_ = false;
    ::unsetenv("RCLONE_BWLIMIT");
    test::RemoveTree(root_ + "arh/");
    ForceDirectories(root_ + "arh/");
    config_.reset();  // the old one's end would unset the new one's variable
    config_ = std::make_unique<test::RcloneConfig>(root_);
    Serve(ServedFolder::Sftp, "offsite");
    MessageLog again(texts_, root_ + "arh/", false);
    EXPECT_TRUE(
        PlaceRemoteCopy({{Local("Buh.zip", "good"), "offsite:buh/Buh(Day_3-th).zip", {}}}, false, Rclone(), again))
        << LogText();
    EXPECT_EQ(ReadFile(served_ + "buh/Buh(Day_3-th).zip"), "good");
    EXPECT_TRUE(TemporaryNames(served_ + "buh/").empty());
    servers_.clear();
    config_.reset();  // the old one's end would unset the new one's variable
    config_ = std::make_unique<test::RcloneConfig>(root_);
  }
}

TEST_F(RemoteCopyTest, ARemoteThatReturnsOtherBytesIsNoCopy) {
  config_->AddLocal("here");
  // An rclone whose remote answers another hash for every file.
  const std::string liar = root_ + "rclone-liar";
  WriteFile(liar,
            "#!/bin/sh\nif [ \"$1\" = hashsum ]; then echo \"0123456789abcdef0123456789abcdef  x\"; exit 0; fi\n"
            "exec rclone \"$@\"\n");
  ::chmod(liar.c_str(), 0755);
  WriteFile(served_ + "Buh.zip", "old");
  MessageLog log(texts_, root_ + "arh/", false);
  EXPECT_FALSE(
      PlaceRemoteCopy({{Local("Buh.zip", "new"), "here:" + served_ + "Buh.zip", {}}}, false, Rclone(liar), log));
  EXPECT_NE(LogText().find("the remote holds other bytes"), std::string::npos) << LogText();
  EXPECT_EQ(ReadFile(served_ + "Buh.zip"), "old");
  EXPECT_TRUE(TemporaryNames(served_).empty());
}

TEST_F(RemoteCopyTest, WithoutRcloneNothingIsSentAndTheLogSaysSo) {
  MessageLog log(texts_, root_ + "arh/", false);
  EXPECT_FALSE(
      PlaceRemoteCopy({{Local("Buh.zip", "new"), "offsite:Buh.zip", {}}}, false, Rclone(root_ + "no-rclone"), log));
  EXPECT_NE(LogText().find("rclone is not installed"), std::string::npos) << LogText();
}

TEST_F(RemoteCopyTest, AVolumeSetReplacesTheOldSetWhole) {
  Serve(ServedFolder::Sftp, "offsite");
  for (int n = 1; n <= 3; ++n) WriteFile(served_ + "Buh00" + std::to_string(n) + ".zip", "old set");
  MessageLog log(texts_, root_ + "arh/", false);
  ASSERT_TRUE(PlaceRemoteCopy({{Local("Buh001.zip", "new 1"), "offsite:Buh001.zip", {}},
                               {Local("Buh002.zip", "new 2"), "offsite:Buh002.zip", {}}},
                              true, Rclone(), log))
      << LogText();
  EXPECT_EQ(ReadFile(served_ + "Buh001.zip"), "new 1");
  EXPECT_EQ(ReadFile(served_ + "Buh002.zip"), "new 2");
  EXPECT_FALSE(FileExists(served_ + "Buh003.zip")) << "the old set's third volume belongs to no set";
  EXPECT_TRUE(TemporaryNames(served_).empty());
}

TEST_F(RemoteCopyTest, ASetChangeCutShortIsCompletedByTheNextUpload) {
  // The first volume was renamed, then the connection went: the journal
  // names what is left to do.
  config_->AddLocal("here");
  WriteFile(served_ + "Buh001.zip", "new 1");
  WriteFile(served_ + ".~orn-0000abcd.Buh002.zip", "new 2");
  WriteFile(served_ + "Buh002.zip", "old 2");
  WriteFile(served_ + "Buh003.zip", "old 3");
  WriteFile(served_ + ".~orn-journal.Buh001.zip",
            "ORN REMOTE SET CHANGE\nmove\t.~orn-0000abcd.Buh001.zip\tBuh001.zip\n"
            "move\t.~orn-0000abcd.Buh002.zip\tBuh002.zip\ndelete\tBuh003.zip\n");
  WriteFile(served_ + ".~orn-0000beef.Other.zip", "another job's upload");
  FinishRemoteChanges(Rclone(), "here:" + served_, {"Buh001.zip"});
  EXPECT_EQ(ReadFile(served_ + "Buh001.zip"), "new 1");
  EXPECT_EQ(ReadFile(served_ + "Buh002.zip"), "new 2");
  EXPECT_FALSE(FileExists(served_ + "Buh003.zip"));
  EXPECT_FALSE(FileExists(served_ + ".~orn-journal.Buh001.zip"));
  EXPECT_EQ(TemporaryNames(served_), std::vector<std::string>{".~orn-0000beef.Other.zip"});
}

TEST_F(RemoteCopyTest, ARunWithARemotePlusPathEndsByWhatTheRemoteDid) {
  config_->AddLocal("here");
  test::FakeBackend backend;
  Job job;
  job.archiveDirectory = root_ + "arh/";
  job.archiveName = "Buh";
  job.jobList = {Local("KONTI.DB", "konti")};
  auto clock = SetClock(std::make_unique<FixedClock>(*EncodeDate(2025, 12, 10) + EncodeTime(10, 0, 0)));
  for (const auto& [plusPath, status] : std::vector<std::pair<std::string, int>>{
           {"here:" + served_ + "plus/", kRunComplete}, {"elsewhere:plus/", kRunIncomplete}}) {
    SCOPED_TRACE(plusPath);
    job.plusPath = plusPath;
    ArchiveRun run(backend, texts_);
    run.SetTemporaryDirectory(root_ + "prog/OrnZpArh_Temporary_Directory");
    run.SetLowerPriority(false);
    run.writeJob = [](Job&) {};
    RunResult result = run.Run(job);
    EXPECT_EQ(result.exitStatus, status) << LogText();
    EXPECT_EQ(result.plusCopy.empty(), status != kRunComplete);
  }
  SetClock(std::move(clock));
  EXPECT_TRUE(FileExists(served_ + "plus/Buh(Day_3-th).zip"));
  EXPECT_NE(LogText().find("rclone has no remote named \"elsewhere\""), std::string::npos) << LogText();
}

}  // namespace
}  // namespace orn
