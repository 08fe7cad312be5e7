// The checks a backup makes of a table's files, on tables the layer writes
// and then leaves as a writer caught half way would: cut short, a header
// ahead of its blocks, an index from before the change. pxlib, reading the
// same files on its own, says whether it can read them whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>

#include "CreateTable.h"
#include "FieldCodec.h"
#include "FileSystem.h"
#include "PrimaryIndex.h"
#include "TableCheck.h"
#include "TableTestUtil.h"
#include "TableWriter.h"

namespace orn {
namespace {

using namespace paradox;

// The files of a keyed table KONTI of `count` accounts (1 KB blocks, 14
// records to a block) and, separately, its index for the first `indexed`.
struct Accounts {
  std::string db, px, olderPx;
  int blockBytes = 0;
};

std::vector<std::string> AccountRecords(const TableImage& image, int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) {
    std::string r(static_cast<std::size_t>(image.recordSize), '\0');
    char key[16];
    std::snprintf(key, sizeof key, "%05d", 2310 + i);
    StoreText(image.fields[0], r.data(), key, 1257, "KONTI.DB");
    StoreText(image.fields[1], r.data(), "Konts Nr. " + std::to_string(i), 1257, "KONTI.DB");
    records.push_back(r);
  }
  return records;
}

Accounts MakeAccounts(const std::string& dir, int count, int indexed) {
  Accounts a;
  const std::string path = dir + "/KONTI.DB";
  CreateTable(path, {{"Konts", kAlpha, 8}, {"Nosaukums", kAlpha, 60}}, {.keyFields = 1, .blockSizeKb = 1});
  const TableImage image = ParseTable(path, test::ReadBytes(path));
  const std::string header = test::ReadBytes(dir + "/KONTI.PX").substr(0, 2048);
  a.db = BuildTableBytes(image, AccountRecords(image, count));
  a.px = BuildIndex(image, header, AccountRecords(image, count), dir + "/KONTI.PX");
  a.olderPx = BuildIndex(image, header, AccountRecords(image, indexed), dir + "/KONTI.PX");
  a.blockBytes = image.BlockBytes();
  return a;
}

TEST(TableCheck, TornTablesAreNamedWithTheirFigures) {
  test::ScratchDir dir;
  const Accounts good = MakeAccounts(dir.Path(), 40, 30);
  ASSERT_EQ(good.db.size(), 2048u + 3 * 1024) << "three blocks: 14, 14 and 12 records";
  struct Case {
    const char* what;
    std::function<void(std::string& db, std::string& px)> damage;
    std::string check;   // "" = sound
    std::string detail;  // the figures
    // pxlib finds fault too: it complains, reads other records than the
    // good table's or refuses the index. Not asked about a looping chain,
    // which it follows for ever.
    std::optional<bool> pxlibObjects;
  } cases[] = {
      {"good", [](std::string&, std::string&) {}, "", "", false},
      {"cut inside its last block", [](std::string& db, std::string&) { db.resize(db.size() - 500); }, "record count",
       "header says 40 records, the file holds 35", true},
      {"cut at a block boundary", [&](std::string& db, std::string&) { db.resize(db.size() - good.blockBytes); },
       "record count", "header says 40 records, the file holds 28", true},
      {"header count raised", [](std::string& db, std::string&) { PutLe(db, kOffNumRecords, 4, 42); }, "record count",
       "header says 42 records, the file holds 40", true},
      {"index from an older state", [&](std::string&, std::string& px) { px = good.olderPx; }, "primary index",
       "KONTI.PX counts 30 records, the table's header says 40", true},
      {"index of another table", [](std::string&, std::string& px) { px[kOffRecordSize] = 20; }, "primary index",
       "KONTI.PX is the index of another key than the table's", true},
      {"a block written, the header not yet",
       [&](std::string& db, std::string&) { db += std::string(static_cast<std::size_t>(good.blockBytes), '\0'); },
       "file size",
       "header says 3 blocks of 1024 bytes after 2048 bytes of header (5120 bytes), the file holds 6144 bytes", false},
      {"chain of blocks looping", [](std::string& db, std::string&) { PutLe(db, 2048 + 1024, 2, 1); }, "data blocks",
       "the chain of data blocks loops at block 1", std::nullopt},
      {"a block count too large", [](std::string& db, std::string&) { PutLe(db, 2048 + 4, 2, 68 * 20); }, "data blocks",
       "data block 1 gives an impossible record count", true},
  };
  std::vector<std::string> goodRecords;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string db = good.db, px = good.px;
    c.damage(db, px);
    test::WriteBytes(dir.File("KONTI.DB"), db);
    test::WriteBytes(dir.File("KONTI.PX"), px);
    const TableCheck check = CheckTableFiles({dir.File("KONTI.DB"), dir.File("KONTI.PX"), ""});
    EXPECT_EQ(check.sound, c.check.empty());
    EXPECT_EQ(check.check, c.check);
    EXPECT_EQ(check.detail, c.detail);

    if (!c.pxlibObjects) continue;
    const test::PxlibView view = test::ReadWithPxlib(dir.File("KONTI.DB"), dir.File("KONTI.PX"));
    if (c.check.empty()) {
      goodRecords = view.records;
      EXPECT_EQ(goodRecords.size(), 40u);
    }
    const bool objects = !view.opened || view.records != goodRecords || !view.indexAccepted || !view.error.empty();
    EXPECT_EQ(objects, *c.pxlibObjects) << view.error;
  }
}

TEST(TableCheck, FilesThatAreNoWholeTable) {
  test::ScratchDir dir;
  CreateTable(dir.File("NOTES.DB"), {{"Nr", kLong}, {"Teksts", kMemo, 20}});
  test::WriteBytes(dir.File("TEXT.DB"), "Fail;Alias\nKONTI.DB;BUHDATA\n");
  struct Case {
    const char* what;
    TablePaths files;
    bool headerRead;
    std::string check, detail;
  } cases[] = {
      {"memo fields without the memo file",
       {dir.File("NOTES.DB"), "", ""},
       true,
       "memo file",
       "the table has memo fields, but its memo file NOTES.MB is missing"},
      {"no table at all",
       {dir.File("TEXT.DB"), "", ""},
       false,
       "header",
       "the file is too short to be a Paradox table"},
      {"no file", {dir.File("GONE.DB"), "", ""}, false, "header", "GONE.DB cannot be read: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TableCheck check = CheckTableFiles(c.files);
    EXPECT_FALSE(check.sound);
    EXPECT_EQ(check.headerRead, c.headerRead);
    EXPECT_EQ(ReadsAsParadoxTable(c.files.db), c.headerRead);
    EXPECT_EQ(check.check, c.check);
    EXPECT_EQ(check.detail, c.detail);
  }
}

// Tables written by other programs, keyed and not, with memos, encrypted,
// of every format version: none is taken for torn.
TEST(TableCheck, EveryTableOfTheTestDataIsSound) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  int tables = 0;
  for (const char* folder : {"paradoxdriver", "pxlib", "pyparadox", "python-pxlib"}) {
    const std::string dir = test::ParadoxFixtures() + "/" + folder + "/";
    for (const FoundFile& f : FindFiles(dir, "*.db")) {
      SCOPED_TRACE(f.name);
      const std::string base = dir + f.name.substr(0, f.name.size() - 3);
      auto companion = [&](const char* ext) {
        for (const FoundFile& c : FindFiles(dir, ExtractFileName(base) + ext)) return dir + c.name;
        return std::string();
      };
      const TableCheck check = CheckTableFiles({dir + f.name, companion(".px"), companion(".mb")});
      EXPECT_TRUE(check.sound) << check.check << ": " << check.detail;
      const test::PxlibView view = test::ReadWithPxlib(dir + f.name);
      if (view.opened) {
        EXPECT_EQ(check.records, view.recordCount);
      }
      ++tables;
    }
  }
  EXPECT_GE(tables, 15);
}

}  // namespace
}  // namespace orn
