// Runs over the tables of a live accounting database: each table is
// archived from one copy that was checked whole, a torn one is copied again
// after a wait (the seam answers at once), and what is still torn is
// archived as last copied, named in the log and the summary, with status 1.
// The tables are written by the table layer, record by record.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

#include "ArchiveRun.h"
#include "CheckTables.h"
#include "Clock.h"
#include "CreateTable.h"
#include "FakeBackend.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "ParadoxFormat.h"
#include "SourcesTestUtil.h"
#include "Table.h"

namespace orn {
namespace {

using test::FakeBackend;
using test::ReadFile;
using test::WriteFile;

// A keyed table of `count` accounts in 1 KB blocks (14 records to a
// block); `early` receives its index as it was after `earlyCount`.
void MakeAccounts(const std::string& dir, const std::string& name, int count, int earlyCount = 0,
                  std::string* early = nullptr) {
  CreateTable(dir + name + ".DB", {{"Konts", paradox::kAlpha, 8}, {"Nosaukums", paradox::kAlpha, 60}},
              {.keyFields = 1, .blockSizeKb = 1});
  Table table(dir, name + ".DB");
  table.Open();
  for (int i = 1; i <= count; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "%05d", 2300 + i);
    table.Append();
    table.FieldByName("Konts").SetAsString(key);
    table.FieldByName("Nosaukums").SetAsString("Konts Nr. " + std::to_string(i));
    table.Post();
    if (i == earlyCount && early) *early = ReadFile(dir + name + ".PX");
  }
}

std::map<std::string, std::string> Entries(const std::string& archive) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::string error;
  EXPECT_TRUE(FakeBackend::ReadArchive({archive}, &entries, &error)) << error;
  return {entries.begin(), entries.end()};
}

// Lets a test act as the accounting program once zipping starts.
class ZippingObserver : public RunObserver {
 public:
  void SetTitle(const std::string& title) override {
    if (title == "ZIPPING" && atZipping) atZipping();
  }
  std::function<void()> atZipping;
};

class TableRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeScratchDir();
    ASSERT_FALSE(root_.empty());
    data_ = root_ + "data/";
    made_ = root_ + "made/";
    ForceDirectories(made_);
    MakeAccounts(made_, "KONTI", 30, 20, &olderIndex_);
    MakeAccounts(made_, "DOKUM", 5);
    aliases_ = std::make_unique<test::AliasFile>(root_ + "Aliases.ini", "[BUHDATA]\nPATH=" + data_ + "\n");
    job_.registerFile = root_ + "reg/SprFiles.db";
    ForceDirectories(root_ + "reg");
    test::MakeRegister(job_.registerFile,
                       {{"KONTI.DB", "BUHDATA", "", "", true}, {"DOKUM.DB", "BUHDATA", "", "", true}});
    job_.archiveDirectory = root_ + "arh/";
    job_.archiveName = "Buh";
    setenv("XDG_STATE_HOME", (root_ + "state").c_str(), 1);
    run_.SetTemporaryDirectory(root_ + "prog/OrnZpArh_Temporary_Directory");
    run_.SetLowerPriority(false);
    run_.SetObserver(&observer_);
    run_.writeJob = [](Job&) {};
    run_.tableChecks.wait = [this](int milliseconds) {
      waits_.push_back(milliseconds);
      if (atWait_) atWait_();
      atWait_ = nullptr;
    };
    previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2025, 12, 10) + EncodeTime(10, 0, 0)));
  }
  void TearDown() override {
    SetClock(std::move(previousClock_));
    aliases_.reset();
    test::RemoveTree(root_);
  }

 public:
  // The live data folder, fresh from the tables made once.
  void FreshData() {
    test::RemoveTree(data_);
    for (const char* f : {"KONTI.DB", "KONTI.PX", "DOKUM.DB", "DOKUM.PX"}) WriteFile(data_ + f, ReadFile(made_ + f));
  }
  std::string Made(const std::string& name) const { return ReadFile(made_ + name); }
  std::string Live(const std::string& name) const { return ReadFile(data_ + name); }
  // What the engine stores for a live file: its path without the root.
  std::string EntryOf(const std::string& name) const { return (data_ + name).substr(1); }

  std::string root_, data_, made_, olderIndex_;
  Job job_;
  FakeBackend backend_;
  MessageTexts texts_;
  ArchiveRun run_{backend_, texts_};
  std::vector<int> waits_;
  std::function<void()> atWait_;
  ZippingObserver observer_;
  std::unique_ptr<test::AliasFile> aliases_;
  std::unique_ptr<Clock> previousClock_;
};

void SetRecordCount(const std::string& path, std::uint32_t count) {
  std::string bytes = ReadFile(path);
  paradox::PutLe(bytes, paradox::kOffNumRecords, 4, count);
  WriteFile(path, bytes);
}

TEST_F(TableRuns, EachTableIsArchivedFromACheckedCopy) {
  struct Case {
    const char* what;
    std::function<void(TableRuns&)> arrange;  // the live files as the run finds them
    std::function<void(TableRuns&)> atWait;   // what the writer does while the run waits
    std::function<void(TableRuns&)> atZip;    // what it does once the checked copies are being zipped
    int status;
    int waits;
    std::string logged;  // a piece of the log, "" for a log without problems
  };
  const Case cases[] = {
      {"a good table", nullptr, nullptr, nullptr, kRunComplete, 0, ""},
      {"cut inside its last block",
       [](TableRuns& t) { WriteFile(t.data_ + "KONTI.DB", t.Made("KONTI.DB").substr(0, 2048 + 2 * 1024 + 80)); },
       nullptr, nullptr, kRunIncomplete, 2, "record count: KONTI.DB: header says 30 records, the file holds 29\r\n"},
      {"cut at a block boundary",
       [](TableRuns& t) { WriteFile(t.data_ + "KONTI.DB", t.Made("KONTI.DB").substr(0, 2048 + 1024)); }, nullptr,
       nullptr, kRunIncomplete, 2, "record count: KONTI.DB: header says 30 records, the file holds 14\r\n"},
      {"its header's count raised", [](TableRuns& t) { SetRecordCount(t.data_ + "KONTI.DB", 200); }, nullptr, nullptr,
       kRunIncomplete, 2, "record count: KONTI.DB: header says 200 records, the file holds 30\r\n"},
      {"its index from an older state", [](TableRuns& t) { WriteFile(t.data_ + "KONTI.PX", t.olderIndex_); }, nullptr,
       nullptr, kRunIncomplete, 2,
       "primary index: KONTI.DB: KONTI.PX counts 20 records, the table's header says 30\r\n"},
      {"open in the accounting program",
       [](TableRuns& t) {
         WriteFile(t.data_ + "KONTI.LCK", "lock");
         WriteFile(t.data_ + "PDOXUSRS.NET", "net");
       },
       nullptr, nullptr, kRunComplete, 0,
       "NOTE : 10.12.2025 10:00:00 : Open in the accounting program; its copy checked "
       "consistent: \"DATA/DOKUM.DB\", \"DATA/KONTI.DB\"\r\n"},
      {"the writer finishes before the second copy", [](TableRuns& t) { SetRecordCount(t.data_ + "KONTI.DB", 31); },
       [](TableRuns& t) { WriteFile(t.data_ + "KONTI.DB", t.Made("KONTI.DB")); }, nullptr, kRunComplete, 1, ""},
      {"written again after its check", nullptr, nullptr,
       [](TableRuns& t) { SetRecordCount(t.data_ + "KONTI.DB", 31); }, kRunComplete, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshData();
    waits_.clear();
    if (c.arrange) c.arrange(*this);
    atWait_ = c.atWait ? std::function<void()>([this, &c] { c.atWait(*this); }) : nullptr;
    observer_.atZipping = c.atZip ? std::function<void()>([this, &c] { c.atZip(*this); }) : nullptr;
    const RunResult r = run_.Run(job_);
    const std::string log = ReadFile(job_.archiveDirectory + "ZuzIzu_log.txt");
    std::remove((job_.archiveDirectory + "ZuzIzu_log.txt").c_str());

    EXPECT_EQ(r.exitStatus, c.status) << log;
    EXPECT_EQ(waits_, std::vector<int>(static_cast<std::size_t>(c.waits), 5000));
    std::string logged = c.logged;
    for (std::size_t at; (at = logged.find("DATA/")) != std::string::npos;) logged.replace(at, 5, data_);
    if (logged.empty())
      EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
    else
      EXPECT_NE(log.find(logged), std::string::npos) << log;
    const bool torn = c.status != kRunComplete;
    EXPECT_EQ(r.tornTables, torn ? std::vector<std::string>{data_ + "KONTI.DB"} : std::vector<std::string>{});
    EXPECT_EQ(r.Summary().find("tables not consistent: KONTI.DB;") != std::string::npos, torn) << r.Summary();

    // Under the live files' names: the good tables byte for byte as they
    // were checked, a torn one as it was last copied; the copies are gone
    // after the run.
    auto entries = Entries(r.generation);
    EXPECT_EQ(entries[EntryOf("DOKUM.DB")], Made("DOKUM.DB"));
    EXPECT_EQ(entries[EntryOf("DOKUM.PX")], Made("DOKUM.PX"));
    EXPECT_EQ(entries[EntryOf("KONTI.DB")], c.atZip ? Made("KONTI.DB") : Live("KONTI.DB"));
    EXPECT_EQ(entries[EntryOf("KONTI.PX")], Live("KONTI.PX"));
    EXPECT_EQ(entries.count((job_.registerFile).substr(1)), 1u);
    EXPECT_FALSE(DirectoryExists(run_.TemporaryDirectory() + kTableCopiesFolder));
  }
}

// The checks alone, as an administrator runs them: a line per table, and a
// status that says whether all are whole.
TEST_F(TableRuns, CheckingTablesAlone) {
  job_.jobFilePath = root_ + "buh.arh";
  WriteJobFile(job_, job_.jobFilePath);
  struct Case {
    const char* what;
    std::function<void(TableRuns&)> arrange;
    std::string jobFile;
    int status;
    std::string out;  // with DATA/ and REG/ for the folders
  } cases[] = {
      {"whole tables", nullptr, "buh.arh", 0,
       "REG/SprFiles.db: consistent, 2 records\nDATA/DOKUM.DB: consistent, 5 records\n"
       "DATA/KONTI.DB: consistent, 30 records\n"},
      {"a torn one",
       [](TableRuns& t) {
         SetRecordCount(t.data_ + "DOKUM.DB", 7);
         WriteFile(t.data_ + "KONTI.LCK", "lock");
       },
       "buh.arh", 1,
       "REG/SprFiles.db: consistent, 2 records\n"
       "DATA/DOKUM.DB: NOT CONSISTENT (record count): header says 7 records, the file holds 5 (checked 3 times)\n"
       "DATA/KONTI.DB: consistent, 30 records, open in the accounting program\n"},
      {"a job that is not there", nullptr, "gone.arh", 3, ""},
      {"an unknown alias", [](TableRuns& t) { t.aliases_.reset(); }, "buh.arh", 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshData();
    waits_.clear();
    if (c.arrange) c.arrange(*this);
    std::ostringstream out, err;
    TableCheckOptions options;
    options.wait = [this](int ms) { waits_.push_back(ms); };
    EXPECT_EQ(CheckTablesCommand(root_ + c.jobFile, out, err, options), c.status) << err.str();
    std::string expected = c.out;
    for (std::size_t at; (at = expected.find("DATA/")) != std::string::npos;) expected.replace(at, 5, data_);
    for (std::size_t at; (at = expected.find("REG/")) != std::string::npos;) expected.replace(at, 4, root_ + "reg/");
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(err.str() != "", c.status == 3) << err.str();
    EXPECT_EQ(Live("DOKUM.PX"), Made("DOKUM.PX")) << "nothing is written";
  }
}

}  // namespace
}  // namespace orn
