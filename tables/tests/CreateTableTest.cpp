// Tables created from code: pxlib reads what the layer wrote, value by
// value, and the primary index follows the data as the table grows.
#include <gtest/gtest.h>

extern "C" {
#include <paradox.h>
}

#include <algorithm>

#include "CreateTable.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

const std::vector<FieldDef> kFields = {
    {"Konts", paradox::kAlpha, 10},   {"Nosaukums", paradox::kAlpha, 40}, {"Summa", paradox::kNumber},
    {"Cena", paradox::kCurrency},     {"Skaits", paradox::kShort},        {"Numurs", paradox::kLong},
    {"Datums", paradox::kDate},       {"Laiks", paradox::kTime},          {"Mainīts", paradox::kTimestamp},
    {"Aktīvs", paradox::kLogical},    {"Nr", paradox::kAutoInc},          {"Atlikums", paradox::kBcd, 2},
    {"Piezīmes", paradox::kMemo, 20},
};

struct PxValue {
  bool isNull;
  long lval;
  double dval;
  std::string str;
};

// Every record as pxlib decodes it.
std::vector<std::vector<PxValue>> RetrieveWithPxlib(const std::string& path) {
  std::vector<std::vector<PxValue>> out;
  pxdoc_t* doc = PX_new();
  if (PX_open_file(doc, path.c_str()) < 0) {
    PX_delete(doc);
    return out;
  }
  const int n = PX_get_num_records(doc), nf = PX_get_num_fields(doc);
  for (int r = 0; r < n; ++r) {
    pxval_t** values = PX_retrieve_record(doc, r);
    if (!values) break;
    std::vector<PxValue> rec;
    for (int i = 0; i < nf; ++i) {
      PxValue v{values[i]->isnull != 0, values[i]->value.lval, values[i]->value.dval, ""};
      if (!v.isNull && values[i]->type == pxfAlpha) v.str = values[i]->value.str.val;
      if (!v.isNull && values[i]->type == pxfBCD) v.str = values[i]->value.str.val;
      rec.push_back(v);
      if ((values[i]->type == pxfAlpha || values[i]->type == pxfBCD || values[i]->type == pxfMemoBLOb) &&
          values[i]->value.str.val)
        doc->free(doc, values[i]->value.str.val);
      doc->free(doc, values[i]);
    }
    doc->free(doc, values);
    out.push_back(rec);
  }
  PX_close(doc);
  PX_delete(doc);
  return out;
}

TEST(TablesCreate, PxlibReadsEveryValueWrittenAndTheIndexFollowsGrowth) {
  test::ScratchDir dir;
  const std::string path = dir.File("KONTI.DB");
  CreateTable(path, kFields, {.keyFields = 1, .codePage = 1257});
  EXPECT_TRUE(FileExists(dir.File("KONTI.PX")));
  auto empty = test::ReadWithPxlib(path, dir.File("KONTI.PX"));
  ASSERT_TRUE(empty.opened) << empty.error;
  EXPECT_EQ(empty.recordCount, 0);

  Table table(dir.Path(), "KONTI.DB");
  table.Open();
  ASSERT_EQ(table.FieldCount(), 13);
  EXPECT_TRUE(table.HasField("mainīts"));
  // 60 records (15 to a block) in shuffled key order.
  std::vector<int> keys(60);
  for (int i = 0; i < 60; ++i) keys[i] = (i * 37) % 60;
  for (int k : keys) {
    table.Append();
    table.FieldByName("Konts").SetAsString("K" + std::to_string(1000 + k));
    table.FieldByName("Nosaukums").SetAsString("Kases konts Nr. " + std::to_string(k) + " – ēčū");
    table.FieldByName("Summa").SetAsFloat(k * 1.5 - 20);
    table.FieldByName("Cena").SetAsString("12.34");
    table.FieldByName("Skaits").SetAsString(std::to_string(-k));
    if (k % 3 != 0) table.FieldByName("Numurs").SetAsFloat(k * 1000);
    table.FieldByName("Datums").SetAsString("31.12.2024");
    table.FieldByName("Laiks").SetAsString("13:45:10");
    table.FieldByName("Mainīts").SetAsString("01.02.2025 08:09:10");
    table.FieldByName("Aktīvs").SetAsBoolean(k % 2 == 0);
    table.FieldByName("Atlikums").SetAsString(k % 2 ? "-1234.5" : "99.99");
    table.Post();
  }
  EXPECT_EQ(table.RecordCount(), 60);
  EXPECT_THROW(table.FieldByName("Piezīmes").SetAsString("x"), TableError);

  auto view = test::ReadWithPxlib(path, dir.File("KONTI.PX"));
  ASSERT_TRUE(view.opened) << view.error;
  EXPECT_EQ(view.recordCount, 60);
  test::ExpectIndexMatchesData(view, 10);
  EXPECT_EQ(view.indexBlocks.size(), 4u);
  EXPECT_TRUE(std::is_sorted(view.records.begin(), view.records.end()));

  const auto values = RetrieveWithPxlib(path);
  ASSERT_EQ(values.size(), 60u);
  const auto& r = values[1];  // K1001
  EXPECT_EQ(r[0].str, "K1001");
  EXPECT_DOUBLE_EQ(r[2].dval, -18.5);
  EXPECT_DOUBLE_EQ(r[3].dval, 12.34);
  EXPECT_EQ(r[4].lval, -1);
  EXPECT_EQ(r[5].lval, 1000);
  EXPECT_EQ(r[6].lval, 739251);    // 31.12.2024 in days from 1.1.0001
  EXPECT_EQ(r[7].lval, 49510000);  // 13:45:10 in ms
  EXPECT_EQ(r[9].lval, 0);         // false
  EXPECT_EQ(r[10].lval, 14);       // the 14th record appended
  EXPECT_EQ(r[11].str, "-1234.50");
  EXPECT_TRUE(r[12].isNull);

  // The layer reads its own values back the same way.
  ASSERT_TRUE(table.FindKey({"K1001"}));
  EXPECT_EQ(table.FieldByName("Nosaukums").AsString(), "Kases konts Nr. 1 – ēčū");
  EXPECT_EQ(table.FieldByName("Mainīts").AsString(), "01.02.2025 08:09:10");
  EXPECT_EQ(table.FieldByName("Atlikums").AsString(), "-1234.5");
  EXPECT_EQ(table.FieldByName("Nr").AsString(), "14");
  ASSERT_TRUE(table.FindKey({"K1000"}));
  EXPECT_TRUE(table.FieldByName("Numurs").IsNull());  // pxlib would report a number here
}

TEST(TablesCreate, WrongDefinitionsAndExistingFilesAreRefused) {
  test::ScratchDir dir;
  const std::string path = dir.File("A.DB");
  EXPECT_THROW(CreateTable(path, {}), TableError);
  EXPECT_THROW(CreateTable(path, {{"X", paradox::kAlpha, 0}}), TableError);
  EXPECT_THROW(CreateTable(path, {{"X", paradox::kAlpha, 5}, {"x", paradox::kLong}}), TableError);
  EXPECT_THROW(CreateTable(path, {{"M", paradox::kMemo, 20}}, {.keyFields = 1}), TableError);
  EXPECT_THROW(CreateTable(path, {{"X", paradox::kAlpha, 5}}, {.version = 3}), TableError);
  EXPECT_FALSE(PathExists(path));
  CreateTable(path, {{"X", paradox::kAlpha, 5}}, {.version = paradox::kVersion40});
  const std::string bytes = test::ReadBytes(path);
  EXPECT_THROW(CreateTable(path, {{"Y", paradox::kLong}}), TableError);
  EXPECT_EQ(test::ReadBytes(path), bytes);
  auto view = test::ReadWithPxlib(path);
  EXPECT_TRUE(view.opened) << view.error;
}

TEST(TablesCreate, AnIndexThatWouldNeedASecondLevelIsRefusedAndTheTableKept) {
  test::ScratchDir dir;
  const std::string path = dir.File("WIDE.DB");
  // 1 KB data blocks of 3 records and 261-byte index entries: the index
  // block grows from 1 KB to the 4 KB a 4.0 table allows (15 entries), so
  // the 46th record would need a second index level.
  CreateTable(path, {{"Key", paradox::kAlpha, 255}, {"Pad", paradox::kAlpha, 40}},
              {.keyFields = 1, .version = paradox::kVersion40, .blockSizeKb = 1});
  Table table(dir.Path(), "WIDE.DB");
  table.Open();
  int added = 0;
  try {
    for (; added < 60; ++added) {
      table.Append();
      table.FieldByName("Key").SetAsString("k" + std::to_string(100 + added));
      table.Post();
    }
  } catch (const TableError& e) {
    table.Cancel();
    EXPECT_NE(std::string(e.what()).find("more than one level"), std::string::npos) << e.what();
  }
  EXPECT_EQ(added, 45);
  EXPECT_EQ(table.RecordCount(), 45);
  EXPECT_EQ(test::ReadBytes(dir.File("WIDE.PX")).size(), 2048u + 4096u);
  auto view = test::ReadWithPxlib(path, dir.File("WIDE.PX"));
  EXPECT_EQ(view.recordCount, 45);
  test::ExpectIndexMatchesData(view, 255);
}

}  // namespace
}  // namespace orn
