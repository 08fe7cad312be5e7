// Reading every Paradox fixture: record counts, field values, NULLs, texts
// in their code pages, memos in and out of the .MB.
#include <gtest/gtest.h>

#include <filesystem>

#include "CodePage.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

struct FixtureCase {
  const char* table;  // below the fixtures' paradox folder
  int codePage;       // 0 = the header's
  int records;
  int fields;
  int keyFields;
  int recNo;                                                // 1-based record to look at
  std::vector<std::pair<const char*, const char*>> values;  // field (any case) -> text; nullptr = NULL
};

const FixtureCase kCases[] = {
    {"pxlib/TypSammlung.DB",
     0,
     5,
     14,
     2,
     3,
     {{"alpha", "Fünfter Datensatz"},
      {"WÄHRUNG", "13.002"},
      {"BCD", "13.123457"},
      {"Zeit", "01:10:12"},
      {"Memo", "Dies ist eine Memo im 'Fünften Datensat'"},
      {"Zähler", "5"},
      {"Integer lang", nullptr}}},
    {"pxlib/TypSammlung.DB",
     0,
     5,
     14,
     2,
     2,
     {{"Alpha", "Erste Zeile"},
      {"Integer lang", nullptr},
      {"BCD", nullptr},
      {"Datum", nullptr},
      {"Zeit", nullptr},
      {"Datum/Zeit", nullptr},
      {"Logisch", "False"}}},
    {"pxlib/TypSammlung.DB",
     0,
     5,
     14,
     2,
     5,
     {{"Numerisch", "-40"},
      {"BCD", "-40"},
      {"Datum", "09.09.1999"},
      {"Datum/Zeit", "10.06.2003 11:11:11"},
      {"Logisch", "True"}}},
    {"python-pxlib/KOMMENT.DB",
     0,
     59,
     4,
     2,
     1,
     {{"Org_kode", "BAPTI"},
      {"Kommentar",
       "Statistikken inkluderer både DNBs og NBUFs misjonsengasjement. NBUF er ungdomsforbundet til baptistene i "
       "Norge."}}},
    {"python-pxlib/LAND.DB",
     0,
     216,
     9,
     1,
     1,
     {{"Land_kode", "AFG"}, {"Reg_kode", "SAS"}, {"Land_navn", "Afghanistan"}, {"Pop-2000", "21765000"}}},
    {"paradoxdriver/memo.db", 0, 2, 2, 1, 2, {{"MEMO", "01234567890\n"}}},
    {"paradoxdriver/encrypted.db", 0, 4, 2, 0, 4, {{"Text", "Last one"}, {"Id", "4"}}},
    {"paradoxdriver/encrypted35.db", 0, 2, 2, 0, 2, {{"A", "2"}, {"B", "Test2"}}},
    {"paradoxdriver/STATES.DB", 0, 53, 4, 1, 1, {{"Abv", "AK"}, {"State", "Alaska"}, {"Zip From", "995"}}},
    {"paradoxdriver/GENERAL.DB", 0, 3, 3, 1, 3, {{"ID", "333333333"}, {"NAME", "Elizabet"}, {"MONEYS", "75"}}},
    {"paradoxdriver/ROMAN8.db", 0, 1, 1, 0, 1, {{"A", "Š½ƒ¶"}}},
    {"paradoxdriver/C.DB", 0, 3, 3, 1, 2, {{"C", "2"}, {"A", "2"}, {"B", "5"}}},
    {"paradoxdriver/AREACODES.DB", 0, 370, 3, 1, 1, {{"AC", "201"}, {"State", "NJ"}}},
    {"paradoxdriver/fk1.db", 0, 0, 2, 1, 0, {}},
    {"paradoxdriver/NOTE1251.DB",
     1251,
     2,
     2,
     1,
     2,
     {{"Note", "Удивительное устройство USB-флешки Kingston DataTraveler"}}},
    {"pyparadox/test.db", 1251, 2, 5, 1, 1, {{"Name", "Внешний мир"}, {"Config", nullptr}, {"Status", nullptr}}},
    {"pyparadox/test.db", 1251, 2, 5, 1, 2, {{"Name", "Офис"}}},
};

class TablesReadFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(TablesReadFixture, RecordsAndValues) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const auto& c = GetParam();
  const std::string path = test::ParadoxFixtures() + "/" + c.table;
  Table table(ExtractFilePath(path), ExtractFileName(path));
  table.SetCodePage(c.codePage);
  table.Open();
  EXPECT_EQ(table.RecordCount(), c.records);
  EXPECT_EQ(table.FieldCount(), c.fields);
  EXPECT_EQ(table.KeyFieldCount(), c.keyFields);
  int walked = 0;
  for (table.First(); !table.Eof(); table.Next()) ++walked;
  EXPECT_EQ(walked, c.records);
  if (c.recNo == 0) return;
  table.First();
  for (int i = 1; i < c.recNo; ++i) table.Next();
  for (const auto& [name, text] : c.values) {
    auto field = table.FieldByName(name);
    if (!text) {
      EXPECT_TRUE(field.IsNull()) << name << " = " << field.AsString();
      EXPECT_EQ(field.AsString(), "") << name;
    } else {
      EXPECT_FALSE(field.IsNull()) << name;
      EXPECT_EQ(field.AsString(), text) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TablesReadFixture, ::testing::ValuesIn(kCases));

TEST(TablesRead, MemosInTheMemoFileAreReadWhole) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  struct {
    const char* table;
    int recNo;
    const char* field;
    std::size_t size;
  } cases[] = {{"paradoxdriver/memo.db", 1, "MEMO", 555},
               {"paradoxdriver/fmemo.db", 1, "FMEMO", 169},
               {"paradoxdriver/fmemo.db", 2, "FMEMO", 726},
               {"paradoxdriver/graphic240.db", 1, "Graph", 20078}};
  for (const auto& c : cases) {
    const std::string path = test::ParadoxFixtures() + "/" + c.table;
    Table table(ExtractFilePath(path), ExtractFileName(path));
    table.Open();
    for (int i = 1; i < c.recNo; ++i) table.Next();
    EXPECT_EQ(table.FieldByName(c.field).AsString().size(), c.size) << c.table << " " << c.recNo;
  }
  // Memo texts from the .MB are decoded like any other text.
  const std::string dir = test::ParadoxFixtures() + "/paradoxdriver/";
  Table note(dir, "NOTE1251.DB");
  note.SetCodePage(1251);
  note.Open();
  const std::string first = note.FieldByName("Note").AsString();
  EXPECT_TRUE(IsValidUtf8(first));
  EXPECT_EQ(first.rfind("При разработке электронных", 0), 0u);
}

TEST(TablesRead, GraphicDataIsTheImage) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const std::string dir = test::ParadoxFixtures() + "/paradoxdriver/";
  Table table(dir, "graphic240.db");
  table.Open();
  EXPECT_EQ(table.FieldByName("Graph").AsString().substr(0, 2), "BM");
}

TEST(TablesRead, MissingOrDamagedMemoFileMakesTheMemoUnavailableNotFatal) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  test::ScratchDir dir;
  const std::string db = test::CopyFixtureTable("paradoxdriver/memo", dir.Path());
  std::filesystem::remove(dir.File("memo.mb"));
  Table table(dir.Path(), "memo.db");
  table.Open();
  EXPECT_THROW(table.FieldByName("MEMO").AsString(), TableError);  // lives in the .mb
  table.Next();
  EXPECT_EQ(table.FieldByName("MEMO").AsString(), "01234567890\n");  // lives in the record
  table.Close();

  test::WriteBytes(dir.File("memo.mb"), std::string(5000, '\x03'));
  table.Open();
  try {
    table.FieldByName("MEMO").AsString();
    FAIL() << "a damaged memo file was read";
  } catch (const TableError& e) {
    EXPECT_NE(e.FileName().find("memo.mb"), std::string::npos);
  }
}

TEST(TablesRead, FieldsByNameIgnoreCaseAndReportTheirKind) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  Table table(test::ParadoxFixtures() + "/pxlib", "TypSammlung");  // ".DB" assumed
  table.Open();
  EXPECT_TRUE(table.HasField("binär"));
  EXPECT_FALSE(table.HasField("PriznArh"));
  EXPECT_THROW(table.FieldByName("PriznArh"), TableError);
  auto alpha = table.FieldByName("ALPHA");
  EXPECT_EQ(alpha.DataType(), "Alpha");
  EXPECT_EQ(alpha.Size(), 30);
  EXPECT_FALSE(alpha.ReadOnly());
  EXPECT_TRUE(table.FieldByName("Zähler").ReadOnly());
  EXPECT_EQ(table.FieldByName("Logisch").DataType(), "Logical");
  EXPECT_EQ(table.FieldByName("Datum").DisplayLabel(), "Datum");
  // Record 1: a Logical NULL reads as false, a date as its day count.
  EXPECT_FALSE(table.FieldByName("Logisch").AsBoolean());
  EXPECT_DOUBLE_EQ(table.FieldByName("Datum").AsDateTime(), 25569.0);  // 01.01.1970
  EXPECT_THROW(table.FieldByName("Alpha").AsBoolean(), TableError);
}

TEST(TablesRead, SecondaryOrderAndNearestKey) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  Table table(test::ParadoxFixtures() + "/python-pxlib", "LAND.DB");
  table.Open();
  ASSERT_TRUE(table.FindKey({"NOR"}));
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Norge");
  EXPECT_FALSE(table.FindKey({"QQQ"}));
  EXPECT_FALSE(table.FindKey({"NORWAY"}));                      // longer than the key field
  EXPECT_EQ(table.FieldByName("Land_kode").AsString(), "NOR");  // no move

  table.SetIndexName("Land_navn");
  table.FindNearest({"Nor"});
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Nord-Korea");
  table.Next();
  EXPECT_EQ(table.FieldByName("Land_navn").AsString(), "Norge");
  table.SetIndexFieldNames("Reg_kode;Land_kode");
  table.FindNearest({"EUR"});
  EXPECT_EQ(table.FieldByName("Reg_kode").AsString(), "EUR");
  EXPECT_EQ(table.FieldByName("Land_kode").AsString(), "ALB");
  table.Prior();
  EXPECT_NE(table.FieldByName("Reg_kode").AsString(), "EUR");
  table.FindNearest({"ZZZZ"});
  EXPECT_FALSE(table.Eof());
  EXPECT_EQ(table.RecNo(), 216);
  EXPECT_THROW(table.SetIndexName("NoSuchField"), TableError);
  table.SetIndexName("");
  table.First();
  EXPECT_EQ(table.FieldByName("Land_kode").AsString(), "AFG");
}

}  // namespace
}  // namespace orn
