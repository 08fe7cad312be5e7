// The register and the run list as an archive run gathers them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "CreateTable.h"
#include "FileSystem.h"
#include "Register.h"
#include "RunList.h"
#include "SourcesTestUtil.h"
#include "Table.h"
#include "TableError.h"

namespace orn {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class SourcesRegister : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.Path() + "buh.2024/";  // a folder with a dot in its name
    for (const char* f : {"KONTI.DB", "KONTI.PX", "KONTI.MB", "KONTI.X02", "DOKUM.DB", "DOKUM.PX", "KONTIX.DB",
                          "PARTNERI.DB", "notes.txt"})
      dir_.Touch("buh.2024/" + std::string(f));
    reg_ = dir_.Path() + "reg.v1/SprFiles.db";
    dir_.Touch("reg.v1/keep");
  }
  std::string AliasText() const { return "[BUHDATA]\nPATH=" + data_.substr(0, data_.size() - 1) + "\n"; }

  test::ScratchDir dir_;
  std::string data_;
  std::string reg_;
};

TEST_F(SourcesRegister, MarkedTablesBringEveryFileOfTheirNameFromTheAliasFolder) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"KONTI.DB", "BUHDATA", "Konti", "", true},
                            {"DOKUM.DB", "buhdata;comment after the alias", "", "", true},
                            {"PARTNERI.DB", "BUHDATA", "", "", false}});
  const auto list = BuildRegisterList(reg_);
  // The register's own files first, then each marked table's files.
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(Sorted({list[0], list[1]}),
            Sorted({dir_.Path() + "reg.v1/SprFiles.db", dir_.Path() + "reg.v1/SprFiles.px"}));
  const std::vector<std::string> rest(list.begin() + 2, list.end());
  EXPECT_EQ(Sorted(rest), Sorted({data_ + "KONTI.DB", data_ + "KONTI.PX", data_ + "KONTI.MB", data_ + "KONTI.X02",
                                  data_ + "DOKUM.DB", data_ + "DOKUM.PX"}));
}

TEST_F(SourcesRegister, AnAliasPathWithATrailingSeparatorGetsNoSecond) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), "[BUHDATA]\nPATH=" + data_ + "\n");
  EXPECT_EQ(AliasDirectory("BUHDATA"), data_);
  EXPECT_EQ(AliasDirectory("BUHDATA;x"), data_);
}

TEST_F(SourcesRegister, AnOlderRegisterWithoutMarksArchivesEveryTable) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"KONTI.DB", "BUHDATA", "", "", false}, {"PARTNERI.DB", "BUHDATA", "", "", false}},
                     /*withMark=*/false);
  const auto list = BuildRegisterList(reg_);
  EXPECT_NE(std::find(list.begin(), list.end(), data_ + "PARTNERI.DB"), list.end());
  EXPECT_NE(std::find(list.begin(), list.end(), data_ + "KONTI.MB"), list.end());
}

TEST_F(SourcesRegister, WrongAliasesStopTheRunWithAnErrorNamingTheAliasFile) {
  const std::string aliasPath = dir_.File("Aliases.ini");
  const struct {
    const char* what;
    std::string aliasText;
    const char* message;
  } cases[] = {
      {"unknown alias", "[OTHER]\nPATH=/tmp\n", "Unknown database alias"},
      {"missing folder", "[BUHDATA]\nPATH=" + dir_.Path() + "gone\n", "does not exist"},
      {"garbage", "%PDF-1.4 garbage\n", "neither [ALIAS] nor NAME=VALUE"},
  };
  test::MakeRegister(reg_, {{"KONTI.DB", "BUHDATA", "", "", true}});
  const std::string before = test::ReadBytes(reg_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::AliasFile aliases(aliasPath, c.aliasText);
    try {
      CollectRunFiles(reg_, {data_ + "notes.txt"});
      ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
      EXPECT_EQ(e.FileName(), aliasPath);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadBytes(reg_), before);
  }
}

TEST_F(SourcesRegister, ARegisterWithoutTheExpectedFieldsIsAClearError) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  {
    std::vector<FieldDef> fields = {{"Name", paradox::kAlpha, 20}};
    CreateTable(reg_, fields, {});
  }
  try {
    BuildRegisterList(reg_);
    ADD_FAILURE() << "no error";
  } catch (const TableError& e) {
    EXPECT_EQ(e.FileName(), reg_);
    EXPECT_NE(std::string(e.what()).find("Fail"), std::string::npos);
  }
}

TEST_F(SourcesRegister, CleaningDeletesRecordsWithAnEmptyFailOnly) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"", "BUHDATA", "blank 1", "", true},
                            {"KONTI.DB", "BUHDATA", "", "", true},
                            {"", "", "blank 2", "", false},
                            {"DOKUM.DB", "BUHDATA", "", "", false}});
  CleanRegister(reg_);
  Table table(dir_.Path() + "reg.v1", "SprFiles.db");
  table.Open();
  std::vector<std::string> left;
  for (table.First(); !table.Eof(); table.Next()) left.push_back(table.FieldByName("Fail").AsString());
  EXPECT_EQ(left, (std::vector<std::string>{"KONTI.DB", "DOKUM.DB"}));
  CleanRegister(dir_.Path() + "reg.v1/NoSuch.db");  // a missing register is no error
}

TEST_F(SourcesRegister, TheRunListMergesTheJobListAndKeepsExistingFilesOnly) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"DOKUM.DB", "BUHDATA", "", "", true}});
  const std::string doc1 = dir_.Touch("doc/A.TXT");
  const std::string doc2 = dir_.Touch("doc/b.txt");
  dir_.Touch("doc/c.csv");
  const std::vector<std::string> jobList = {dir_.Path() + "doc/*.TXT", data_ + "DOKUM.DB",  // already there
                                            dir_.Path() + "gone.txt", dir_.Path() + "empty/*.TXT", data_ + "notes.txt"};
  std::vector<std::string> registerList;
  const auto run = CollectRunFiles(reg_, jobList, &registerList);
  const std::vector<std::string> expected = {doc1,
                                             doc2,
                                             dir_.Path() + "reg.v1/SprFiles.px",
                                             dir_.Path() + "reg.v1/SprFiles.db",
                                             data_ + "DOKUM.DB",
                                             data_ + "DOKUM.PX",
                                             data_ + "notes.txt"};
  EXPECT_EQ(Sorted({run[0], run[1]}), Sorted({doc1, doc2}));
  EXPECT_EQ(Sorted(run), Sorted(expected));
  // The job list entries went into the register list once each.
  EXPECT_EQ(std::count(registerList.begin(), registerList.end(), data_ + "DOKUM.DB"), 1);
  EXPECT_EQ(std::count(registerList.begin(), registerList.end(), dir_.Path() + "gone.txt"), 1);
}

TEST_F(SourcesRegister, TheProgramsTemporaryFilesAreNeverArchived) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"DOKUM.DB", "BUHDATA", "", "", true}});
  const std::string doc = dir_.Touch("doc/A.TXT");
  // Found by the register's own mask, a table's mask, a job pattern, or
  // named in the job list: a change or a copy cut short, now or by an
  // earlier version.
  const std::vector<std::string> leftovers = {dir_.Touch("reg.v1/SprFiles.db.ornAb12Cd"),
                                              dir_.Touch("reg.v1/SprFiles.px.ornXy34Zw"),
                                              dir_.Touch("buh.2024/DOKUM.DB.orn123456"),
                                              dir_.Touch("doc/.~orn-0123abcd.A.TXT"),
                                              dir_.Touch("doc/~orn-A.TXT"),
                                              dir_.Touch("doc/.A.TXT.89abcdef.tmp")};
  const auto run = CollectRunFiles(reg_, {dir_.Path() + "doc/*", dir_.Path() + "doc/~orn-A.TXT"});
  EXPECT_EQ(Sorted(run), Sorted({doc, dir_.Path() + "reg.v1/SprFiles.db", dir_.Path() + "reg.v1/SprFiles.px",
                                 data_ + "DOKUM.DB", data_ + "DOKUM.PX"}));
  for (const std::string& f : leftovers) EXPECT_EQ(std::count(run.begin(), run.end(), f), 0) << f;
}

TEST_F(SourcesRegister, ARegisterThatCannotBeCleanedIsStillArchived) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  test::MakeRegister(reg_, {{"", "BUHDATA", "blank", "", true}, {"DOKUM.DB", "BUHDATA", "", "", true}});
  ::chmod(reg_.c_str(), 0444);
  const std::string before = test::ReadBytes(reg_);
  RunListProblems problems;
  const auto run = CollectRunFiles(reg_, {}, nullptr, &problems);
  const std::string& problem = problems.cleaning;
  EXPECT_NE(problem.find("read-only"), std::string::npos) << problem;
  EXPECT_NE(std::find(run.begin(), run.end(), data_ + "DOKUM.PX"), run.end());
  EXPECT_EQ(test::ReadBytes(reg_), before);
}

TEST_F(SourcesRegister, WithoutARegisterTheJobListAloneIsArchived) {
  const auto run = CollectRunFiles("", {data_ + "notes.txt"});
  EXPECT_EQ(run, (std::vector<std::string>{data_ + "notes.txt"}));
}

// A register the job names but that is gone or unreadable would make a
// backup of the job list alone, taken for a good one.
TEST_F(SourcesRegister, ARegisterNamedButMissingOrUnreadableStopsTheGathering) {
  struct Case {
    const char* what;
    std::string path;
    const char* message;
  } cases[] = {
      {"moved away", dir_.Path() + "reg.v1/SprFiles.db", "The register cannot be found: No such file or directory"},
      {"a folder", dir_.Path() + "reg.v1/", "The register is not a file"},
  };
  ForceDirectories(dir_.Path() + "reg.v1");
  for (const Case& c : cases) {
    try {
      CollectRunFiles(c.path, {data_ + "notes.txt"});
      ADD_FAILURE() << c.what << ": no error";
    } catch (const TableError& e) {
      EXPECT_EQ(e.FileName(), c.path) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// A table the register archives but that is gone (moved, lost with a
// failed disk) leaves the backup smaller; it is named for the log. A Fail
// without an extension is there when any file of its name is.
TEST_F(SourcesRegister, ArchivedTablesThatAreGoneAreNamed) {
  test::AliasFile aliases(dir_.File("Aliases.ini"), AliasText());
  ::unlink((data_ + "PARTNERI.DB").c_str());
  dir_.Touch("buh.2024/PARTNERI.PX");
  test::MakeRegister(reg_, {{"KONTI.DB", "BUHDATA", "", "", true},
                            {"konti.db", "BUHDATA", "case of the disk's name differs", "", true},
                            {"DOKUM", "BUHDATA", "no extension", "", true},
                            {"PARTNERI.DB", "BUHDATA", "only its index is left", "", true},
                            {"NOSUCH.DB", "BUHDATA", "", "", true},
                            {"NOSUCH2", "BUHDATA", "", "", true},
                            {"UNMARKED.DB", "BUHDATA", "not archived", "", false}});
  RunListProblems problems;
  const auto run = CollectRunFiles(reg_, {}, nullptr, &problems);
  EXPECT_EQ(Sorted(problems.missingTables), Sorted({data_ + "PARTNERI.DB", data_ + "NOSUCH.DB", data_ + "NOSUCH2"}));
  EXPECT_TRUE(problems.Any());
  EXPECT_NE(std::find(run.begin(), run.end(), data_ + "PARTNERI.PX"), run.end());
}

}  // namespace
}  // namespace orn
