#include "TableTestUtil.h"

extern "C" {
#include <paradox.h>
}
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "FileSystem.h"

namespace orn::test {

std::string ParadoxFixtures() { return std::string(ORN_FIXTURES_DIR) + "/paradox"; }

ScratchDir::ScratchDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "orn-tables-XXXXXX").string();
  path_ = ::mkdtemp(templ.data()) ? templ : std::string();
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (!path_.empty()) {
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
}

std::string CopyFixtureTable(const std::string& base, const std::string& dir) {
  const std::string from = ParadoxFixtures() + "/" + base;
  std::string db;
  for (const auto& f : FindFiles(ExtractFilePath(from), ExtractFileName(from) + ".*")) {
    const std::string target = dir + "/" + f.name;
    WriteBytes(target, ReadBytes(ExtractFilePath(from) + f.name));
    const std::string ext = ExtractFileExt(f.name);
    if (ext == ".DB" || ext == ".db") db = target;
  }
  return db;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {
void KeepError(pxdoc_t*, int, const char* message, void* data) {
  auto* error = static_cast<std::string*>(data);
  if (error->empty() && message) *error = message;
}
}  // namespace

PxlibView ReadWithPxlib(const std::string& dbPath, const std::string& pxPath) {
  PxlibView view;
  pxdoc_t* doc = PX_new3(KeepError, nullptr, nullptr, nullptr, &view.error);
  if (PX_open_file(doc, dbPath.c_str()) < 0) {
    PX_delete(doc);
    return view;
  }
  view.opened = true;
  view.recordCount = PX_get_num_records(doc);
  const int size = PX_get_recordsize(doc);
  std::string buffer(static_cast<std::size_t>(size), '\0');
  for (int i = 0; i < view.recordCount; ++i) {
    int deleted = 0;
    pxdatablockinfo_t info{};
    if (!PX_get_record2(doc, i, buffer.data(), &deleted, &info)) break;
    view.records.push_back(buffer);
    view.recordBlocks.push_back(info.number);
  }
  if (!pxPath.empty()) {
    pxdoc_t* index = PX_new3(KeepError, nullptr, nullptr, nullptr, &view.error);
    if (PX_open_file(index, pxPath.c_str()) == 0 && PX_read_primary_index(index) == 0) {
      view.indexRead = true;
      auto* entries = static_cast<pxpindex_t*>(index->px_data);
      const int keyBytes = PX_get_recordsize(index) - 6;
      for (int i = 0; i < index->px_datalen; ++i) {
        view.indexKeys.emplace_back(entries[i].data, static_cast<std::size_t>(keyBytes));
        view.indexBlocks.push_back(entries[i].blocknumber);
        view.indexCounts.push_back(entries[i].numrecords);
      }
    }
    PX_close(index);
    PX_delete(index);
    // pxlib's own check of an index against its table; the table owns the
    // index afterwards.
    pxdoc_t* table = PX_new3(KeepError, nullptr, nullptr, nullptr, &view.error);
    pxdoc_t* owned = PX_new3(KeepError, nullptr, nullptr, nullptr, &view.error);
    if (PX_open_file(table, dbPath.c_str()) == 0 && PX_open_file(owned, pxPath.c_str()) == 0 &&
        PX_read_primary_index(owned) == 0)
      view.indexAccepted = PX_add_primary_index(table, owned) == 0;
    PX_close(table);
    PX_delete(table);
  }
  PX_close(doc);
  PX_delete(doc);
  return view;
}

void ExpectIndexMatchesData(const PxlibView& view, int keyBytes) {
  ASSERT_TRUE(view.indexRead) << view.error;
  EXPECT_TRUE(view.indexAccepted) << view.error;
  std::vector<int> blocks;
  std::map<int, int> counts;
  std::map<int, std::string> firstKey;
  for (std::size_t i = 0; i < view.recordBlocks.size(); ++i) {
    const int b = view.recordBlocks[i];
    if (!counts.count(b)) {
      blocks.push_back(b);
      firstKey[b] = view.records[i].substr(0, static_cast<std::size_t>(keyBytes));
    }
    ++counts[b];
  }
  ASSERT_EQ(view.indexBlocks.size(), blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(view.indexBlocks[i], blocks[i]) << "entry " << i;
    EXPECT_EQ(view.indexCounts[i], counts[blocks[i]]) << "entry " << i;
    EXPECT_EQ(view.indexKeys[i], firstKey[blocks[i]]) << "entry " << i;
  }
}

}  // namespace orn::test
