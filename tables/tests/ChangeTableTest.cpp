// Changing real tables: after every kind of change the table is read back
// with pxlib, record by record and byte by byte, and its primary index is
// checked against the data blocks. Tables the layer cannot change safely are
// refused and left byte for byte as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>

#include "CreateTable.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

using test::ReadWithPxlib;

std::string IndexPathOf(const std::string& db) {
  const std::string ext = ExtractFileExt(db);
  return CutAtFirstDotOfName(db) + (ext == ".db" ? ".px" : ".PX");
}

// The table as pxlib sees it, with its index checked.
std::vector<std::string> CheckedRecords(const std::string& db, int keyBytes) {
  auto view = ReadWithPxlib(db, keyBytes > 0 ? IndexPathOf(db) : "");
  EXPECT_TRUE(view.opened) << view.error;
  EXPECT_EQ(static_cast<int>(view.records.size()), view.recordCount);
  if (keyBytes > 0) test::ExpectIndexMatchesData(view, keyBytes);
  return view.records;
}

struct ChangeCase {
  const char* table;  // fixture base name
  int keyBytes;
  const char* newText;  // for the first non-key Alpha field
};

class TablesChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(TablesChange, DeleteEditAppendKeepEveryOtherRecordAndTheIndex) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const auto& c = GetParam();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable(c.table, dir.Path());
  auto expected = ReadWithPxlib(db).records;
  ASSERT_GT(expected.size(), 2u);

  Table table(dir.Path(), ExtractFileName(db));
  table.Open();

  // Delete the second record.
  table.First();
  table.Next();
  table.Delete();
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(CheckedRecords(db, c.keyBytes), expected);
  EXPECT_EQ(table.RecNo(), 2);

  // Edit a non-key Alpha field of the record now second.
  int field = -1;
  for (int i = table.KeyFieldCount(); i < table.FieldCount(); ++i)
    if (table.Fields(i).DataType() == "Alpha") {
      field = i;
      break;
    }
  ASSERT_GE(field, 0);
  table.Edit();
  table.Fields(field).SetAsString(c.newText);
  table.Post();
  auto after = CheckedRecords(db, c.keyBytes);
  ASSERT_EQ(after.size(), expected.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i != 1) {
      EXPECT_EQ(after[i], expected[i]) << "record " << i;
    }
  }
  Table reread(dir.Path(), ExtractFileName(db));
  reread.Open();
  reread.Next();
  EXPECT_EQ(reread.Fields(field).AsString(), c.newText);
  expected[1] = after[1];

  // Append a copy of the first record with a new key that sorts last.
  table.First();
  std::vector<std::string> values;
  for (int i = 0; i < table.FieldCount(); ++i) values.push_back(table.Fields(i).AsString());
  table.Append();
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (!table.Fields(i).ReadOnly()) table.Fields(i).SetAsString(values[i]);
  }
  const bool alphaKey = table.Fields(0).DataType() == "Alpha";
  table.Fields(0).SetAsString(alphaKey ? std::string(static_cast<std::size_t>(table.Fields(0).Size()), 'z')
                                       : "2000000000");
  table.Post();
  after = CheckedRecords(db, c.keyBytes);
  ASSERT_EQ(after.size(), expected.size() + 1);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin()));
  EXPECT_EQ(table.RecNo(), static_cast<int>(after.size()));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TablesChange,
                         ::testing::Values(ChangeCase{"python-pxlib/LAND", 3, "Ærø"},
                                           ChangeCase{"python-pxlib/KOMMENT", 9, "Å"},
                                           ChangeCase{"paradoxdriver/GENERAL", 4, "Anna"}));

TEST(TablesChange, KeyedAppendGoesToItsKeyPositionAndDuplicatesAreRefused) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("python-pxlib/LAND", dir.Path());
  const std::string before = test::ReadBytes(db);
  Table table(dir.Path(), "LAND.DB");
  table.Open();
  table.Append();
  table.FieldByName("Land_kode").SetAsString("NOR");
  EXPECT_THROW(table.Post(), TableError);
  EXPECT_EQ(test::ReadBytes(db), before);
  table.FieldByName("Land_kode").SetAsString("NOQ");
  table.FieldByName("Land_navn").SetAsString("Noreg");
  table.Post();
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Noreg");
  table.Next();
  EXPECT_EQ(table.FieldByName("Land_kode").AsString(), "NOR");
  auto records = CheckedRecords(db, 3);
  EXPECT_EQ(records.size(), 217u);
  EXPECT_TRUE(std::is_sorted(records.begin(), records.end()));

  // Editing a key field moves the record to its new place.
  ASSERT_TRUE(table.FindKey({"AFG"}));
  table.Edit();
  table.FieldByName("Land_kode").SetAsString("ZZY");
  table.Post();
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Afghanistan");
  table.First();
  EXPECT_EQ(table.FieldByName("Land_kode").AsString(), "AGO");
  records = CheckedRecords(db, 3);
  EXPECT_TRUE(std::is_sorted(records.begin(), records.end()));
}

TEST(TablesChange, DeletingEveryRecordLeavesAnEmptyValidTable) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("paradoxdriver/GENERAL", dir.Path());
  Table table(dir.Path(), "GENERAL.DB");
  table.Open();
  while (table.RecordCount() > 0) table.Delete();
  EXPECT_TRUE(table.Eof());
  auto view = ReadWithPxlib(db, IndexPathOf(db));
  EXPECT_TRUE(view.opened) << view.error;
  EXPECT_EQ(view.recordCount, 0);
  table.Append();
  table.FieldByName("ID").SetAsString("7");
  table.FieldByName("NAME").SetAsString("Anna");
  table.Post();
  EXPECT_EQ(CheckedRecords(db, 4).size(), 1u);
}

struct RefusedCase {
  const char* what;
  const char* table;
  std::function<void(const std::string& dir)> prepare;
};

TEST(TablesChange, TablesThatCannotBeChangedSafelyAreRefusedAndLeftAlone) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const RefusedCase cases[] = {
      {"format 3.0", "paradoxdriver/STATES", nullptr},
      {"format 3.5, encrypted", "paradoxdriver/encrypted35", nullptr},
      {"encrypted", "paradoxdriver/encrypted", nullptr},
      {"secondary indexes", "pxlib/TypSammlung", nullptr},
      {"read-only file", "paradoxdriver/GENERAL",
       [](const std::string& d) { ::chmod((d + "/GENERAL.DB").c_str(), 0444); }},
      {"index of another table", "paradoxdriver/GENERAL",
       [](const std::string& d) {
         test::WriteBytes(d + "/GENERAL.PX", test::ReadBytes(test::ParadoxFixtures() + "/python-pxlib/LAND.PX"));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir dir;
    const std::string db = test::CopyFixtureTable(c.table, dir.Path());
    if (c.prepare) c.prepare(dir.Path());
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& f : FindFiles(dir.Path(), "*")) before.emplace_back(f.name, test::ReadBytes(dir.File(f.name)));

    Table table(dir.Path(), ExtractFileName(db));
    table.Open();
    if (std::string(c.what) == "index of another table") {
      // Refused only once the rebuilt index would be written.
      table.Edit();
      table.FieldByName("NAME").SetAsString("X");
      EXPECT_THROW(table.Post(), TableError);
    } else {
      EXPECT_THROW(table.Edit(), TableError);
      EXPECT_THROW(table.Delete(), TableError);
      EXPECT_THROW(table.Append(), TableError);
    }
    for (const auto& [name, bytes] : before) EXPECT_EQ(test::ReadBytes(dir.File(name)), bytes) << name;
    EXPECT_EQ(FindFiles(dir.Path(), "*").size(), before.size());
  }
}

TEST(TablesChange, ALockHeldByAnotherProgramIsRespected) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("paradoxdriver/GENERAL", dir.Path());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    int fd = ::open(db.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLK, &lock);
    char c = 1;
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const std::string before = test::ReadBytes(db);
  Table table(dir.Path(), "GENERAL.DB");
  table.Open();
  try {
    table.Delete();
    ADD_FAILURE() << "a locked table was changed";
  } catch (const TableError& e) {
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos);
  }
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(test::ReadBytes(db), before);
  table.Delete();  // free again
  EXPECT_EQ(table.RecordCount(), 2);
}

TEST(TablesChange, AChangeByAnotherProgramSinceOpeningIsNotOverwritten) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("paradoxdriver/GENERAL", dir.Path());
  Table first(dir.Path(), "GENERAL.DB");
  Table second(dir.Path(), "GENERAL.DB");
  first.Open();
  second.Open();
  first.Delete();
  const std::string afterFirst = test::ReadBytes(db);
  EXPECT_THROW(second.Delete(), TableError);
  EXPECT_EQ(test::ReadBytes(db), afterFirst);
}

TEST(TablesChange, ValuesThatDoNotFitAreRefused) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("python-pxlib/LAND", dir.Path());
  Table table(dir.Path(), "LAND.DB");
  table.Open();
  table.Edit();
  EXPECT_THROW(table.FieldByName("Land_kode").SetAsString("ABCD"), TableError);  // 3 characters
  EXPECT_THROW(table.FieldByName("Land_navn").SetAsString("Rīga"), TableError);  // not in code page 865
  EXPECT_THROW(table.FieldByName("Pop-2000").SetAsString("many"), TableError);
  table.FieldByName("Land_navn").SetAsString("Østerrike");
  table.Cancel();
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Afghanistan");
  EXPECT_THROW(table.FieldByName("Land_navn").SetAsString("X"), TableError);  // not editing
}

}  // namespace
}  // namespace orn
