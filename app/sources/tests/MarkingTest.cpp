// The marking window's lines and what its OK button writes.
#include <gtest/gtest.h>

#include "Marking.h"
#include "Register.h"
#include "SourcesTestUtil.h"
#include "Table.h"

namespace orn {
namespace {

TEST(SourcesMarking, LinesArePaddedColumnsCountedInCharacters) {
  EXPECT_EQ(
      FormatMarkingLine("KONTI.DB12", "Konti", "Plāns"),
      "KONTI.DB12     " + std::string(" ") + "Konti" + std::string(25, ' ') + " " + "Plāns" + std::string(25, ' '));
  const std::string longFail(20, 'F');
  EXPECT_EQ(FormatMarkingLine(longFail, "", "").substr(0, 21), longFail + " ");
}

TEST(SourcesMarking, OnlyChangedMarksAreWritten) {
  test::ScratchDir dir;
  const std::string reg = dir.File("SprFiles.db");
  test::MakeRegister(reg, {{"DOKUM.DB", "BUHDATA", "Dokumenti", "", true},
                           {"KONTI.DB", "BUHDATA", "Kontu plāns", "galvenā", false},
                           {"PARTNERI.DB", "BUHDATA", "Partneri", "", true}});
  Table table;
  OpenRegister(table, reg);
  auto lines = ReadMarkingLines(table);
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 3u);
  EXPECT_EQ((*lines)[1].key, "KONTI.DB");
  EXPECT_EQ((*lines)[1].text, FormatMarkingLine("KONTI.DB", "Kontu plāns", "galvenā"));
  EXPECT_FALSE((*lines)[1].checked);

  const std::string before = test::ReadBytes(reg);
  EXPECT_EQ(WriteChangedMarks(table, *lines), 0);
  EXPECT_EQ(test::ReadBytes(reg), before);

  (*lines)[1].checked = true;
  (*lines)[2].checked = false;
  EXPECT_EQ(WriteChangedMarks(table, *lines), 2);
  Table reread;
  OpenRegister(reread, reg);
  auto after = ReadMarkingLines(reread);
  ASSERT_TRUE(after);
  EXPECT_TRUE((*after)[0].checked);
  EXPECT_TRUE((*after)[1].checked);
  EXPECT_FALSE((*after)[2].checked);
}

TEST(SourcesMarking, AnOlderRegisterCannotBeMarked) {
  test::ScratchDir dir;
  const std::string reg = dir.File("SprFiles.db");
  test::MakeRegister(reg, {{"KONTI.DB", "BUHDATA", "", "", false}}, /*withMark=*/false);
  Table table;
  OpenRegister(table, reg);
  EXPECT_FALSE(ReadMarkingLines(table));
}

}  // namespace
}  // namespace orn
