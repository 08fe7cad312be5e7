// Writing the zip format's records, the counterpart of the one cursor that
// reads them: a little-endian byte writer, the central header of an entry
// exactly as its fields say, the end record, and the walk over an extra
// field's blocks. The adding library, spanning and the self-extractor write
// every header through these, so a header copied with a new offset is the
// same bytes with only that offset changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ZipDirEntry.h"

namespace orn {

// Appends little-endian fields to a byte string.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  void Bytes(std::string_view bytes) { out_.append(bytes); }

 private:
  std::string& out_;
};

// The central header of `entry` from its 32-bit fields, its raw name, extra
// field and comment (the length fields follow what is written).
void AppendCentralHeader(std::string& out, const ZipDirEntry& entry);

// The classic end record: counts, directory size and offset as given (the
// caller puts placeholders where Zip64 records hold the values).
struct EndRecordFields {
  std::uint16_t thisDisk = 0;
  std::uint16_t directoryDisk = 0;
  std::uint16_t entriesOnDisk = 0;
  std::uint16_t totalEntries = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;
};
void AppendEndRecord(std::string& out, const EndRecordFields& fields, std::string_view comment);

// Calls `block(id, data)` for each well-formed block of an extra field, in
// order; answers where the well-formed part ends (a cut-off tail is left
// to the caller).
std::size_t ForEachExtraBlock(std::string_view extra,
                              const std::function<void(std::uint16_t id, std::string_view data)>& block);
// The data of the first block with `id`; false when there is none.
bool FindExtraBlock(std::string_view extra, std::uint16_t id, std::string_view& data);
// The extra field without its blocks of `id` (a cut-off tail stays).
std::string WithoutExtraBlock(std::string_view extra, std::uint16_t id);

}  // namespace orn
