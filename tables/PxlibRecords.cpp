#include "PxlibRecords.h"

extern "C" {
#include <paradox.h>
}

#include <memory>

#include "TableError.h"

namespace orn::paradox {

namespace {

// pxlib reports through a callback that would otherwise print to standard
// error; the messages are kept and the first one goes into the error.
void CollectError(pxdoc_t*, int, const char* message, void* data) {
  auto* errors = static_cast<std::string*>(data);
  if (errors->empty() && message) *errors = message;
}

struct PxDocCloser {
  void operator()(pxdoc_t* doc) const {
    PX_close(doc);
    PX_delete(doc);
  }
};

}  // namespace

std::vector<std::string> ReadRecordsThroughPxlib(const std::string& fileName, int recordSize, int count) {
  std::string errors;
  pxdoc_t* raw = PX_new3(CollectError, nullptr, nullptr, nullptr, &errors);
  if (!raw) throw TableError(fileName, "Cannot prepare to read the encrypted table");
  if (PX_open_file(raw, fileName.c_str()) < 0) {
    PX_delete(raw);
    throw TableError(fileName, "Cannot read the encrypted table: " + errors);
  }
  std::unique_ptr<pxdoc_t, PxDocCloser> doc(raw);
  if (PX_get_recordsize(doc.get()) != recordSize || PX_get_num_records(doc.get()) != count)
    throw TableError(fileName, "The encrypted table does not read as its header describes it");
  std::vector<std::string> records;
  std::string buffer(static_cast<std::size_t>(recordSize), '\0');
  for (int i = 0; i < count; ++i) {
    if (!PX_get_record(doc.get(), i, buffer.data()))
      throw TableError(fileName, "Cannot read record " + std::to_string(i + 1) + " of the encrypted table");
    records.push_back(buffer);
  }
  return records;
}

}  // namespace orn::paradox
