// Shared helpers of the table tests: the fixtures folder, scratch folders,
// copies of fixture tables, and an independent look at a table through
// pxlib (records, raw bytes and the primary index) to check what the layer
// wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orn::test {

std::string ParadoxFixtures();
#define ORN_REQUIRE_PARADOX_FIXTURES()                     \
  if (!orn::DirectoryExists(orn::test::ParadoxFixtures())) \
  GTEST_SKIP() << "test data missing: " << orn::test::ParadoxFixtures()

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Copies the table `base` (e.g. "python-pxlib/LAND") with every companion
// file into `dir`, writable; returns the path of the copied .DB.
std::string CopyFixtureTable(const std::string& base, const std::string& dir);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

struct PxlibView {
  bool opened = false;
  std::string error;
  int recordCount = 0;
  std::vector<std::string> records;  // raw bytes as pxlib reads them
  // Primary index, when there is one: each entry's key bytes, data block and
  // record count, and what the data blocks really hold.
  bool indexRead = false;
  bool indexAccepted = false;  // pxlib takes the index as the table's
  std::vector<std::string> indexKeys;
  std::vector<int> indexBlocks, indexCounts;
  std::vector<int> recordBlocks;  // block of each record
};

// Opens `dbPath` with pxlib (no memo file) and, when `pxPath` is not empty,
// its primary index.
PxlibView ReadWithPxlib(const std::string& dbPath, const std::string& pxPath = "");

// Checks that the index entries describe the data blocks exactly: one entry
// per block, in order, with the block's record count and the key of its
// first record.
void ExpectIndexMatchesData(const PxlibView& view, int keyBytes);

}  // namespace orn::test
