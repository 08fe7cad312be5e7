// pxpaircheck: whether each Paradox table and its primary index belong
// together, as pxlib sees them, without this program's own table layer: the
// independent judge of crash campaigns and restores.
//
//   pxpaircheck TABLE.DB...
//
// Prints one line per table ("ok", "no index" or "mismatch: why"); the exit
// status is 1 when any pair does not match or a file cannot be read.
extern "C" {
#include <paradox.h>
}
#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

void KeepError(pxdoc_t*, int, const char* message, void* data) {
  auto* error = static_cast<std::string*>(data);
  if (error->empty() && message) *error = message;
}

// The index beside a table: its name with ".PX" in either letter case.
std::string IndexOf(const std::string& table) {
  const std::string stem = table.substr(0, table.rfind('.'));
  for (const char* ext : {".PX", ".px", ".Px"}) {
    struct stat st {};
    if (::stat((stem + ext).c_str(), &st) == 0) return stem + ext;
  }
  return {};
}

// Empty when the pair matches; pxlib's reason otherwise.
std::string Check(const std::string& dbPath, const std::string& pxPath) {
  std::string error;
  pxdoc_t* table = PX_new3(KeepError, nullptr, nullptr, nullptr, &error);
  pxdoc_t* index = PX_new3(KeepError, nullptr, nullptr, nullptr, &error);
  bool ok = PX_open_file(table, dbPath.c_str()) == 0 && PX_open_file(index, pxPath.c_str()) == 0 &&
            PX_read_primary_index(index) == 0;
  if (ok) {
    // pxlib counts the records the index names against the table's.
    long indexed = 0;
    auto* entries = static_cast<pxpindex_t*>(index->px_data);
    for (int i = 0; i < index->px_datalen; ++i) indexed += entries[i].numrecords;
    const int records = PX_get_num_records(table);
    ok = PX_add_primary_index(table, index) == 0;  // the table owns the index now
    if (ok && indexed != records) {
      ok = false;
      error = "the index names " + std::to_string(indexed) + " records, the table has " + std::to_string(records);
    }
  } else {
    PX_close(index);
    PX_delete(index);
  }
  PX_close(table);
  PX_delete(table);
  if (ok) return {};
  return error.empty() ? std::string("cannot be read") : error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: pxpaircheck TABLE.DB...\n", stderr);
    return 2;
  }
  PX_boot();
  int bad = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string table = argv[i];
    const std::string index = IndexOf(table);
    if (index.empty()) {
      std::printf("%s: no index\n", table.c_str());
      continue;
    }
    const std::string why = Check(table, index);
    if (!why.empty()) ++bad;
    std::printf("%s: %s\n", table.c_str(), why.empty() ? "ok" : ("mismatch: " + why).c_str());
  }
  PX_shutdown();
  return bad > 0 ? 1 : 0;
}
