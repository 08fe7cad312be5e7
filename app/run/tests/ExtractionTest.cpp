// Choosing an archive and its files, and restoring them, with the fake
// back-end.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "CommandLine.h"
#include "Extraction.h"
#include "FakeBackend.h"
#include "FileSystem.h"

namespace orn {
namespace {

using test::FakeBackend;
using test::ReadFile;
using test::WriteFile;

// The companion extensions this suite needs; the real rule lives with the
// source lists.
bool Companion(const std::string& name) {
  std::string ext = ExtractFileExt(name);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".PX" || ext == ".MB" || ext == ".XG0";
}

const std::vector<std::string> kEntries = {
    "srv/buh/KONTI.DB",  "srv/buh/konti.px", "srv/buh/Konti.MB", "srv/buh/KONTIX.DB",
    "srv/buh/KONTIX.PX", "doc/note.txt",     "buh.data/README",  "buh.data/Readme.XG0",
};

TEST(ExtractChooser, EmptyRotatingListStillOffersUniqueSaves) {
  std::string root = test::MakeScratchDir();
  Job job;
  job.archiveDirectory = root + "arh/";
  job.archiveName = "Buh";
  job.uniqueFolder = "Unique";
  WriteFile(root + "arh/Other(Day_1-th).zip", "not this job's");
  WriteFile(root + "arh/Unique/Buh(DATE=1,12,2025).zip", "u1");
  WriteFile(root + "arh/Unique/Buh(DATE=8,12,2025).zip", "u2");
  ArchiveChoices choices = ListArchives(job);
  EXPECT_TRUE(choices.rotating.empty());
  ASSERT_EQ(choices.unique.size(), 2u);
  EXPECT_EQ(choices.unique[0].fileName, "Buh(DATE=1,12,2025).zip");
  EXPECT_EQ(choices.unique[0].date.size(), 10u) << "dd.mm.yyyy";
  EXPECT_EQ(ChosenArchivePath(job, true, "Buh(DATE=1,12,2025).zip"), root + "arh/Unique/Buh(DATE=1,12,2025).zip");
  EXPECT_EQ(ChosenArchivePath(job, false, "Buh(Day_3-th).zip"), root + "arh/Buh(Day_3-th).zip");
  job.archiveDirectory.clear();
  EXPECT_TRUE(ListArchives(job).unique.empty());
  test::RemoveTree(root);
}

// Each set of volumes is offered once, by its last volume, through which it
// is restored; an archive whose name merely ends in digits stays.
TEST(ExtractChooser, VolumeSetsAreOfferedByTheirLastVolume) {
  std::string root = test::MakeScratchDir();
  Job job;
  job.archiveDirectory = root + "arh/";
  job.archiveName = "Buh";
  job.uniqueFolder = "Unique";
  for (const char* name :
       {"Buh(Day_2-th)001.zip", "Buh(Day_2-th)002.zip", "Buh(Day_2-th)003.zip", "Buh(Day_3-th).zip", "Buh2024.zip"})
    WriteFile(root + "arh/" + name, "x");
  WriteFile(root + "arh/Unique/Buh(DATE=1,12,2025)001.zip", "u1");
  WriteFile(root + "arh/Unique/Buh(DATE=1,12,2025)002.zip", "u2");
  ArchiveChoices choices = ListArchives(job);
  std::vector<std::string> rotating, unique;
  for (const ArchiveRow& r : choices.rotating) rotating.push_back(r.fileName);
  for (const ArchiveRow& r : choices.unique) unique.push_back(r.fileName);
  std::sort(rotating.begin(), rotating.end());
  EXPECT_EQ(rotating, (std::vector<std::string>{"Buh(Day_2-th)003.zip", "Buh(Day_3-th).zip", "Buh2024.zip"}));
  EXPECT_EQ(unique, (std::vector<std::string>{"Buh(DATE=1,12,2025)002.zip"}));
  test::RemoveTree(root);
}

TEST(ExtractFiles, ChooserHidesCompanionsAndMovesNames) {
  FileChooserModel model(kEntries, Companion);
  EXPECT_EQ(model.Saved(),
            (std::vector<std::string>{"buh.data/README", "doc/note.txt", "srv/buh/KONTI.DB", "srv/buh/KONTIX.DB"}));
  EXPECT_FALSE(model.CanExclude());

  // ">" with rows 1 and 2 selected: the last is moved first, and the row that
  // was first selected is selected again.
  EXPECT_EQ(model.Include({1, 2}), std::optional<size_t>(1));
  EXPECT_EQ(model.ToRestore(), (std::vector<std::string>{"srv/buh/KONTI.DB", "doc/note.txt"}));
  EXPECT_EQ(model.Saved(), (std::vector<std::string>{"buh.data/README", "srv/buh/KONTIX.DB"}));
  // Nothing selected moves nothing and selects row 0; a row past the end
  // selects the last.
  EXPECT_EQ(model.Include({}), std::optional<size_t>(0));
  EXPECT_EQ(model.Include({1}), std::optional<size_t>(0));
  EXPECT_EQ(model.Include({0}), std::nullopt);
  EXPECT_FALSE(model.CanInclude());
  // "<" puts names back in sorted order.
  EXPECT_EQ(model.Exclude({1}), std::optional<size_t>(1));
  EXPECT_EQ(model.Saved(), (std::vector<std::string>{"doc/note.txt"}));
  model.ExcludeAll();
  EXPECT_EQ(model.Saved().size(), 4u);
  EXPECT_TRUE(model.ToRestore().empty());
}

TEST(ExtractFiles, ChosenTableBringsItsCompanionsInAnyCase) {
  struct Case {
    const char* chosen;
    std::vector<std::string> restored;
  };
  const Case cases[] = {
      {"srv/buh/KONTI.DB", {"srv/buh/KONTI.DB", "srv/buh/konti.px", "srv/buh/Konti.MB"}},
      {"srv/buh/KONTIX.DB", {"srv/buh/KONTIX.DB", "srv/buh/KONTIX.PX"}},
      // A dot in a directory name is no extension: only README's own files.
      {"buh.data/README", {"buh.data/README", "buh.data/Readme.XG0"}},
  };
  for (const Case& c : cases) {
    FileChooserModel model(kEntries, Companion);
    auto row = std::find(model.Saved().begin(), model.Saved().end(), c.chosen) - model.Saved().begin();
    model.Include({static_cast<size_t>(row)});
    EXPECT_EQ(model.ExtractionList(), c.restored) << c.chosen;
  }
}

TEST(ExtractFiles, BaseDirectoryRule) {
  struct Case {
    const char* what;
    std::vector<std::string> jobList;
    const char* archiveDirectory;
    const char* registerFile;
    const char* base;
  };
  const Case cases[] = {
      {"root of the job's first file", {"/srv/buh/KONTI.DB", "//nas/x/a"}, "//nas/arh/", "", "/"},
      {"empty job list: root of the archive directory", {}, "//nas/arh/", "/srv/buh/SprFiles.db", "//nas/"},
      {"register on a network path: its server", {"/srv/a"}, "/arh/", "//buhserver/data/SprFiles.db", "//buhserver/"},
  };
  for (const Case& c : cases) {
    Job job;
    job.jobList = c.jobList;
    job.archiveDirectory = c.archiveDirectory;
    job.registerFile = c.registerFile;
    EXPECT_EQ(ExtractionBaseDir(job), c.base) << c.what;
  }
  EXPECT_FALSE(IsSafeEntryName("../etc/passwd"));
  EXPECT_FALSE(IsSafeEntryName("a\\..\\..\\b"));
  EXPECT_FALSE(IsSafeEntryName("/etc/passwd"));
  EXPECT_FALSE(IsSafeEntryName("C:\\x"));
  EXPECT_TRUE(IsSafeEntryName("srv/buh/..KONTI.DB"));
}

class ExtractRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeScratchDir();
    job_.archiveDirectory = root_ + "arh/";
    job_.jobList = {"/srv/buh/KONTI.DB"};
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& e : kEntries) entries.emplace_back(e, "data of " + e);
    FakeBackend::WriteArchive(archive_ = root_ + "arh/Buh(Day_3-th).zip", entries);
    backend_.redirectRoot = root_ + "root";
  }
  void TearDown() override { test::RemoveTree(root_); }

  std::set<std::string> Restored() {
    std::set<std::string> names;
    for (const std::string& e : kEntries)
      if (FileExists(root_ + "root/" + e)) names.insert(e);
    return names;
  }

  std::string root_, archive_;
  Job job_;
  FakeBackend backend_;
  MessageTexts texts_;
  Extraction extraction_{backend_, texts_};
};

TEST_F(ExtractRunTest, IncludeAllThenOkEqualsExtractAll) {
  ExtractResult whole = extraction_.Run(job_, archive_, true);
  std::set<std::string> all = Restored();
  EXPECT_EQ(all.size(), kEntries.size());
  EXPECT_EQ(backend_.extractBaseDirs.front(), "/") << "stored directories go back under the first file's root";
  EXPECT_EQ(ReadFile(root_ + "root/srv/buh/konti.px"), "data of srv/buh/konti.px");

  test::RemoveTree(root_ + "root");
  extraction_.chooseFiles = [](FileChooserModel& m) {
    m.IncludeAll();
    return true;
  };
  ExtractResult chosen = extraction_.Run(job_, archive_, false);
  EXPECT_EQ(Restored(), all);
  EXPECT_EQ(chosen.ExitStatus(), 0);
  EXPECT_EQ(std::set<std::string>(chosen.entries.begin(), chosen.entries.end()),
            std::set<std::string>(whole.entries.begin(), whole.entries.end()));
}

TEST_F(ExtractRunTest, NothingIsRestoredWithoutAChoice) {
  extraction_.chooseFiles = [](FileChooserModel& m) {
    m.IncludeAll();
    return false;  // Cancel
  };
  EXPECT_EQ(extraction_.Run(job_, archive_, false).ExitStatus(), kRestoreNothing);
  EXPECT_FALSE(extraction_.Run(job_, "", true).extracted) << "the archive chooser was closed";
  EXPECT_TRUE(backend_.extracted.empty());
}

TEST_F(ExtractRunTest, ErrorsAndUnsafeNamesAreLogged) {
  FakeBackend::WriteArchive(archive_, {{"srv/ok.txt", "ok"}, {"../../escape.txt", "bad"}});
  backend_.onExtract = [](const std::string&, const std::vector<std::string>& names) {
    if (names.size() != 1 || names[0] != "srv/ok.txt") throw std::runtime_error("unexpected entries");
    throw std::runtime_error("Cannot write \"srv/ok.txt\"");
  };
  ExtractResult r = extraction_.Run(job_, archive_, true);
  EXPECT_EQ(r.problems, 2);
  EXPECT_EQ(r.ExitStatus(), kRestoreNothing);
  std::string log = ReadFile(root_ + "arh/ZuzIzu_log.txt");
  EXPECT_NE(log.find("ERROR : "), std::string::npos);
  EXPECT_NE(log.find(" : Entry not restored, its name leads outside the base directory \"../../escape.txt\"\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" : Cannot write \"srv/ok.txt\"\r\n"), std::string::npos) << log;
}

TEST(ExtractOutcome, FilesARestoreWouldReplace) {
  std::string root = test::MakeScratchDir();
  WriteFile(root + "srv/buh/KONTI.DB", "in use");
  WriteFile(root + "doc/note (1).txt", "in use");
  EXPECT_EQ(ExistingTargets({"srv/buh/KONTI.DB", "srv\\buh\\KONTI.PX", "doc\\note (1).txt", "srv/buh"}, root),
            (std::vector<std::string>{root + "srv/buh/KONTI.DB", root + "doc/note (1).txt"}))
      << "stored with either separator; a folder is no file to replace";
  test::RemoveTree(root);
}

// What a restore tells the scheduler and the user, for each way it can end.
TEST(ExtractOutcome, StatusAndSummary) {
  struct Row {
    const char* what;
    ExtractResult result;
    int status;
    std::string summary;
  };
  auto made = [](bool extracted, int asked, int written, int problems, int kept) {
    ExtractResult r;
    r.archive = "/arh/Buh.zip";
    r.baseDir = "/";
    r.extracted = extracted;
    r.entries.assign(static_cast<size_t>(asked), "x");
    r.written = written;
    r.problems = problems;
    r.keptExisting = kept;
    return r;
  };
  ExtractResult none;
  ExtractResult elsewhere = made(true, 3, 3, 1, 0);
  elsewhere.logFailure = "The log cannot be written in \"/arh/\": Read-only file system";
  elsewhere.logFile = "/home/u/.local/state/archivator/ZuzIzu_log.txt";
  const Row rows[] = {
      {"no archive chosen", none, kRestoreNothing, "Nothing restored: no archive chosen; 0 problems logged"},
      {"file chooser cancelled", made(false, 0, 0, 0, 0), kRestoreNothing,
       "Nothing restored from /arh/Buh.zip: no file chosen; 0 problems logged"},
      {"replacing declined", made(false, 0, 0, 0, 2), kRestoreNothing,
       "Nothing restored from /arh/Buh.zip: 2 existing files kept, replacing them was declined; 0 problems logged"},
      {"everything", made(true, 3, 3, 0, 0), kCommandDone,
       "Restored 3 of 3 files from /arh/Buh.zip into /; 0 problems logged"},
      {"some", made(true, 3, 2, 1, 0), kRestorePartial,
       "Restored 2 of 3 files from /arh/Buh.zip into /; 1 problem logged"},
      {"none written", made(true, 3, 0, 1, 0), kRestoreNothing,
       "Restored 0 of 3 files from /arh/Buh.zip into /; 1 problem logged"},
      {"the log went elsewhere", elsewhere, kRestorePartial,
       "Restored 3 of 3 files from /arh/Buh.zip into /; 1 problem logged; The log cannot be written in \"/arh/\": "
       "Read-only file system; log: /home/u/.local/state/archivator/ZuzIzu_log.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.result.ExitStatus(), row.status);
    EXPECT_EQ(row.result.Summary(), row.summary);
  }
}

// The window's language fills the same line; a text without a translation
// stays English, and what is filled in is never read as a pattern again.
TEST(ExtractionTest, SummaryInTheWindowsLanguage) {
  struct Latvian : MessageTexts {
    std::string Text(const std::string& name) const override {
      if (name == "sum_Restored") return "Atjaunoti %1 no %2 failiem no %3 uz %4";
      if (name == "sum_Problems") return "problēmas žurnālā: %1";
      if (name == "sum_Log") return "žurnāls: %1";
      if (name == "msg_LogElsewhere") return "Žurnālu nevar ierakstīt direktorijā";
      return MessageTexts::Text(name);
    }
  } latvian;
  ExtractResult r;
  r.extracted = true;
  r.entries = {"a", "b", "c"};
  r.written = 2;
  r.problems = 2;
  r.archive = "/arh/%2 Buh.zip";
  r.baseDir = "/";
  EXPECT_EQ(r.Summary(latvian), "Atjaunoti 2 no 3 failiem no /arh/%2 Buh.zip uz /; problēmas žurnālā: 2");
  EXPECT_EQ(r.Summary(), "Restored 2 of 3 files from /arh/%2 Buh.zip into /; 2 problems logged");
  r.problems = 1;
  r.logFailure = "The log cannot be written in \"/arh/\"";
  EXPECT_EQ(r.Summary(latvian),
            "Atjaunoti 2 no 3 failiem no /arh/%2 Buh.zip uz /; 1 problem logged; The log cannot be "
            "written in \"/arh/\"; žurnāls: not written");

  // The log's own reason, logged in the window's language, is English on
  // standard error.
  r.logFailure = "Žurnālu nevar ierakstīt direktorijā \"/arh/\": Read-only file system";
  r.logFailureKey = "msg_LogElsewhere";
  r.logFailureDetail = " \"/arh/\": Read-only file system";
  r.logFile = "/u/ZuzIzu_log.txt";
  EXPECT_EQ(r.Summary(),
            "Restored 2 of 3 files from /arh/%2 Buh.zip into /; 1 problem logged; The log cannot be "
            "written in \"/arh/\": Read-only file system; log: /u/ZuzIzu_log.txt");
  EXPECT_NE(
      r.Summary(latvian).find("; Žurnālu nevar ierakstīt direktorijā \"/arh/\": Read-only file system; žurnāls: "),
      std::string::npos)
      << r.Summary(latvian);

  struct {
    const char* pattern;
    std::vector<std::string> args;
    const char* out;
  } formats[] = {
      {"%2 before %1", {"a", "b"}, "b before a"},
      {"%1%1", {"x"}, "xx"},
      {"%3 missing", {"a"}, "%3 missing"},
      {"100% sure %", {}, "100% sure %"},
  };
  struct Pattern : MessageTexts {
    std::string pattern;
    std::string Text(const std::string&) const override { return pattern; }
  } texts;
  for (const auto& f : formats) {
    texts.pattern = f.pattern;
    EXPECT_EQ(texts.Format("any", f.args), f.out) << f.pattern;
  }
}

}  // namespace
}  // namespace orn
