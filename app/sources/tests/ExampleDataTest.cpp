// The bundled example: its register, read through an alias as the run
// script sets it up, names exactly the example's table files.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileSystem.h"
#include "Marking.h"
#include "Register.h"
#include "RunList.h"
#include "SourcesTestUtil.h"
#include "Table.h"

namespace orn {
namespace {

TEST(SourcesExample, TheRegisterListsTheMarkedTablesWithTheirIndexes) {
  const std::string data = std::string(ORN_SOURCE_DIR) + "/examples/data/";
  if (!FileExists(data + "SprFiles.db")) GTEST_SKIP() << "test data missing: " << data;
  test::ScratchDir dir;
  // Work on a copy: cleaning the register may write to it.
  for (const auto& f : FindFiles(data, "*")) ASSERT_TRUE(CopyFileAtomically(data + f.name, dir.Path() + f.name));
  test::AliasFile aliases(dir.File("Aliases.ini"),
                          "[BUHDATA]\nPATH=" + ExcludeTrailingDelimiter(dir.Path()) + "\nTYPE=PARADOX\n");
  auto list = BuildRegisterList(dir.File("SprFiles.db"));
  for (auto& f : list) f = ExtractFileName(f);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (std::vector<std::string>{"DOKUM.DB", "DOKUM.PX", "KONTI.DB", "KONTI.PX", "PARTNERI.DB",
                                            "PARTNERI.PX", "SprFiles.db", "SprFiles.px"}));

  Table reg;
  OpenRegister(reg, dir.File("SprFiles.db"));
  auto lines = ReadMarkingLines(reg);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->size(), 4u);
  Table konti("BUHDATA", "KONTI.DB");
  konti.Open();
  ASSERT_TRUE(konti.FindKey({"2620"}));
  EXPECT_EQ(konti.FieldByName("Nosaukums").AsString(), "Norēķinu konts bankā");
}

}  // namespace
}  // namespace orn
