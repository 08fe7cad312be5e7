// The alias file: where it is looked for, how a section is read, and the
// errors a user meets when it is wrong.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "Aliases.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

class TablesAliases : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.File("Aliases.ini");
    ::setenv("ORN_ALIASES", file_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("ORN_ALIASES"); }
  void Write(const std::string& text) { test::WriteBytes(file_, text); }

  test::ScratchDir dir_;
  std::string file_;
};

TEST_F(TablesAliases, ParametersComeWithPathFirstAndNamesIgnoreCase) {
  Write(
      "; accounting data\n[Other]\nPATH=/elsewhere\n\n[buhdata]\r\nTYPE=PARADOX\r\nPath = /srv/buh/data \r\n"
      "LANGDRIVER=ascii\r\n");
  EXPECT_EQ(AliasFilePath(), file_);
  EXPECT_EQ(GetAliasParams("BUHDATA"),
            (std::vector<std::string>{"PATH=/srv/buh/data", "TYPE=PARADOX", "LANGDRIVER=ascii"}));
  EXPECT_EQ(AliasPath("BuhData"), "/srv/buh/data");
  EXPECT_EQ(AliasPath("other"), "/elsewhere");
}

TEST_F(TablesAliases, WrongAliasFilesAndAliasesAreClearErrorsNamingTheFile) {
  struct Case {
    const char* what;
    std::string text;  // empty: no file at all
    const char* alias;
    const char* message;
  } cases[] = {
      {"unknown alias", "[BUHDATA]\nPATH=/x\n", "NOSUCH", "Unknown database alias \"NOSUCH\""},
      {"no PATH", "[BUHDATA]\nTYPE=PARADOX\n", "BUHDATA", "has no PATH"},
      {"empty PATH", "[BUHDATA]\nPATH=\n", "BUHDATA", "has no PATH"},
      {"garbage line", "[BUHDATA]\nPATH=/x\nthis is not an alias file\n", "BUHDATA", "neither [ALIAS] nor NAME=VALUE"},
      {"broken section", "[BUHDATA\nPATH=/x\n", "BUHDATA", "not a proper [ALIAS] line"},
      {"binary garbage",
       std::string("\x7f"
                   "ELF\0\0\x01\x02",
                   8),
       "BUHDATA", "not a text file"},
      {"missing file", "", "BUHDATA", "cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file_);
    if (!c.text.empty()) Write(c.text);
    try {
      GetAliasParams(c.alias);
      ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
      EXPECT_EQ(e.FileName(), file_);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST_F(TablesAliases, WithoutVariableTheCurrentFolderComesBeforeTheUsersOwnFile) {
  // As an installed program sees it: no ORN_ALIASES, started from some folder.
  ::unsetenv("ORN_ALIASES");
  const std::string config = dir_.File("config");
  ASSERT_TRUE(ForceDirectories(config + "/archivator"));
  const std::string perUser = config + "/archivator/Aliases.ini";
  test::WriteBytes(perUser, "[BUHDATA]\nPATH=/per/user\n");
  const std::string oldXdg = ::getenv("XDG_CONFIG_HOME") ? ::getenv("XDG_CONFIG_HOME") : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  const std::string oldDir = CurrentDir();
  const std::string work = dir_.File("work");
  ASSERT_TRUE(CreateDir(work));
  ASSERT_EQ(::chdir(work.c_str()), 0);

  EXPECT_EQ(AliasFilePath(), perUser);
  EXPECT_EQ(AliasPath("BUHDATA"), "/per/user");
  test::WriteBytes(work + "/Aliases.ini", "[BUHDATA]\nPATH=/here\n");
  EXPECT_EQ(AliasPath("BUHDATA"), "/here");

  ASSERT_EQ(::chdir(oldDir.c_str()), 0);
  oldXdg.empty() ? ::unsetenv("XDG_CONFIG_HOME") : ::setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
}

TEST_F(TablesAliases, TablesOpenThroughAnAliasAndAMissingAliasFolderIsReported) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  Write("[FIX]\nPATH=" + test::ParadoxFixtures() + "/python-pxlib\n[GONE]\nPATH=" + dir_.File("nowhere") + "\n");
  Table table("fix", "land.db");  // the file is LAND.DB
  table.Open();
  EXPECT_EQ(table.RecordCount(), 216);
  Table gone("GONE", "LAND.DB");
  try {
    gone.Open();
    ADD_FAILURE() << "opened";
  } catch (const TableError& e) {
    EXPECT_EQ(e.FileName(), file_);
    EXPECT_NE(std::string(e.what()).find("does not exist"), std::string::npos);
  }
  Table unknown("NOALIAS", "LAND.DB");
  EXPECT_THROW(unknown.Open(), TableError);
  Table missing("FIX", "NOSUCH.DB");
  EXPECT_THROW(missing.Open(), TableError);
}

}  // namespace
}  // namespace orn
