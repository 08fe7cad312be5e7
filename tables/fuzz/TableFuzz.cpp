// Random .DB files: the Paradox reader must refuse what it cannot read with a
// TableError and decode every field of every record it accepts, without
// crashing or reading outside the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FieldCodec.h"
#include "ParadoxFormat.h"
#include "TableError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orn::paradox;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TableImage table;
  try {
    table = ParseTable("FUZZ.DB", bytes);
  } catch (const orn::TableError&) {
    return 0;
  }
  const int codePage = TextCodePage(table, 0);
  for (std::size_t r = 0; r < table.records.size() && r < 256; ++r) {
    const char* record = table.records[r].data();
    for (const FieldInfo& field : table.fields) {
      if (IsBlobType(field.type)) continue;  // their data lies in the memo file
      if (field.offset + field.width > static_cast<int>(table.records[r].size())) __builtin_trap();
      IsNull(field, record);
      try {
        FormatValue(field, record, codePage);
        NumberValue(field, record);
        BooleanValue(field, record);
        DateTimeValue(field, record);
      } catch (const orn::TableError&) {
      }
    }
    if (r > 0 && table.keyFields > 0) {
      try {
        CompareKeys(table, table.records[r - 1].data(), record, table.keyFields);
      } catch (const orn::TableError&) {
      }
    }
  }
  return 0;
}
