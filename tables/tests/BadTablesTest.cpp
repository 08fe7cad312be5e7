// Damaged tables built from a good one: cut short, a header that lies, bytes
// flipped. Each is a clear error naming the file; none crashes, and opening
// changes nothing on disk.
#include <gtest/gtest.h>

#include <functional>

#include "FileSystem.h"
#include "PxlibRecords.h"
#include "Table.h"
#include "TableError.h"
#include "TableTestUtil.h"

namespace orn {
namespace {

void PutShort(std::string& b, std::size_t at, unsigned v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

TEST(TablesBadInput, DamagedTablesAreClearErrorsAndStayUntouched) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const std::string good = test::ReadBytes(test::ParadoxFixtures() + "/python-pxlib/LAND.DB");
  struct Case {
    const char* what;
    std::function<std::string(std::string)> damage;
  } cases[] = {
      {"empty file", [](std::string) { return std::string(); }},
      {"cut inside the header", [](std::string b) { return b.substr(0, 100); }},
      {"cut inside the data", [](std::string b) { return b.substr(0, b.size() - 5000); }},
      {"header claims more records",
       [](std::string b) {
         PutShort(b, 6, 0x170);
         return b;
       }},
      {"header claims fewer records",
       [](std::string b) {
         PutShort(b, 6, 0x10);
         return b;
       }},
      {"header size past the end",
       [](std::string b) {
         PutShort(b, 2, 0xF800);
         return b;
       }},
      {"record size zero",
       [](std::string b) {
         PutShort(b, 0, 0);
         return b;
       }},
      {"first block past the end",
       [](std::string b) {
         PutShort(b, 0x0E, 40);
         return b;
       }},
      {"block chain loops",
       [](std::string b) {
         PutShort(b, 2048 + 4096, 1);
         return b;
       }},
      {"block with impossible count",
       [](std::string b) {
         PutShort(b, 2048 + 4, 0x7000);
         return b;
       }},
      {"unknown field type",
       [](std::string b) {
         PutShort(b, 0x78, 0x033F);
         return b;
       }},
      {"not a data table",
       [](std::string b) {
         PutShort(b, 4, 0x0401);
         return b;
       }},
      {"text instead of a table", [](std::string) { return std::string("Fail;Alias\nKONTI.DB;BUHDATA\n"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir dir;
    const std::string path = dir.File("LAND.DB");
    const std::string bad = c.damage(good);
    test::WriteBytes(path, bad);
    Table table(dir.Path(), "LAND.DB");
    try {
      table.Open();
      ADD_FAILURE() << "opened";
    } catch (const TableError& e) {
      EXPECT_EQ(e.FileName(), path);
    }
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(test::ReadBytes(path), bad);
  }
}

TEST(TablesBadInput, ADamagedEncryptedTableNeitherHangsNorCrashes) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  std::string bytes = test::ReadBytes(test::ParadoxFixtures() + "/paradoxdriver/encrypted.db");
  // A wrong key scrambles the block chain, which pxlib then follows forever.
  bytes[0x5C] = 0x7D;
  bytes[665] = static_cast<char>(0xEF);
  bytes[732] = 0x47;
  test::ScratchDir dir;
  test::WriteBytes(dir.File("encrypted.db"), bytes);
  paradox::SetPxlibReadTimeout(1500);
  Table table(dir.Path(), "encrypted.db");
  try {
    table.Open();
    ADD_FAILURE() << "opened";
  } catch (const TableError& e) {
    EXPECT_EQ(e.FileName(), dir.File("encrypted.db"));
  }
  paradox::SetPxlibReadTimeout(10000);
}

TEST(TablesBadInput, EveryCutOfATableIsAnErrorOrReadsFully) {
  ORN_REQUIRE_PARADOX_FIXTURES();
  const std::string good = test::ReadBytes(test::ParadoxFixtures() + "/python-pxlib/KOMMENT.DB");
  test::ScratchDir dir;
  const std::string path = dir.File("KOMMENT.DB");
  for (std::size_t cut = 0; cut < good.size(); cut += 997) {
    test::WriteBytes(path, good.substr(0, cut));
    Table table(dir.Path(), "KOMMENT.DB");
    try {
      table.Open();
      EXPECT_EQ(table.RecordCount(), 59) << cut;
    } catch (const TableError&) {
    }
  }
}

}  // namespace
}  // namespace orn
