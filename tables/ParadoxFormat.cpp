#include "ParadoxFormat.h"

#include <set>

#include "CodePage.h"
#include "PxlibRecords.h"
#include "TableError.h"

namespace orn::paradox {

std::uint32_t GetLe(const std::string& bytes, int offset, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

void PutLe(std::string& bytes, int offset, int width, std::uint32_t value) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

int FieldWidth(std::uint8_t type, int declaredSize) {
  switch (type) {
    case kAlpha:
    case kBytes:
    case kMemo:
    case kBlob:
    case kFmtMemo:
    case kOle:
    case kGraphic:
      return declaredSize;
    case kDate:
    case kLong:
    case kTime:
    case kAutoInc:
      return 4;
    case kShort:
      return 2;
    case kCurrency:
    case kNumber:
    case kTimestamp:
      return 8;
    case kLogical:
      return 1;
    case kBcd:
      return 17;
    default:
      return 0;
  }
}

int TableImage::KeyBytes() const {
  int bytes = 0;
  for (int i = 0; i < keyFields && i < static_cast<int>(fields.size()); ++i) bytes += fields[i].width;
  return bytes;
}

namespace {

void Require(bool condition, const std::string& fileName, const std::string& what) {
  if (!condition) throw TableError(fileName, what);
}

// Reads a NUL-terminated name starting at `pos`, never past `end`.
std::string ReadName(const std::string& bytes, std::size_t& pos, std::size_t end) {
  std::string name;
  while (pos < end && bytes[pos] != '\0') name += bytes[pos++];
  if (pos < end) ++pos;
  return name;
}

}  // namespace

TableImage ParseTable(const std::string& fileName, const std::string& bytes) {
  TableImage t;
  t.fileName = fileName;
  Require(bytes.size() >= 0x58, fileName, "The file is too short to be a Paradox table");
  t.recordSize = static_cast<int>(GetLe(bytes, kOffRecordSize, 2));
  t.headerSize = static_cast<int>(GetLe(bytes, kOffHeaderSize, 2));
  t.fileType = static_cast<unsigned char>(bytes[kOffFileType]);
  t.blockSizeKb = static_cast<unsigned char>(bytes[kOffBlockSize]);
  t.version = static_cast<unsigned char>(bytes[kOffVersion]);
  t.sortOrder = static_cast<unsigned char>(bytes[kOffSortOrder]);
  Require(t.fileType == kKeyedTable || t.fileType == kUnkeyedTable, fileName,
          "The file is not a Paradox data table (file type " + std::to_string(t.fileType) + ")");
  Require(t.version >= 3 && t.version <= 15, fileName, "Unknown Paradox table version " + std::to_string(t.version));
  Require(t.blockSizeKb >= 1 && t.blockSizeKb <= 32, fileName, "The header gives an impossible block size");
  Require(t.headerSize >= 0x58 && static_cast<std::size_t>(t.headerSize) <= bytes.size(), fileName,
          "The header size is larger than the file");
  Require(t.recordSize >= 1 && t.recordSize <= t.BlockBytes() - kBlockHeaderSize, fileName,
          "The header gives an impossible record size");
  t.header = bytes.substr(0, t.headerSize);

  const int numFields = static_cast<int>(GetLe(bytes, kOffNumFields, 2));
  t.keyFields = static_cast<int>(GetLe(bytes, kOffKeyFields, 2));
  Require(numFields >= 1 && numFields <= 255, fileName, "The header gives an impossible number of fields");
  Require(t.keyFields <= numFields, fileName, "The header gives more key fields than fields");
  Require(t.fileType == kKeyedTable || t.keyFields == 0, fileName, "An unkeyed table names key fields");

  const bool extended = t.version >= kVersion40;
  const std::uint32_t encryption1 = GetLe(bytes, kOffEncryption1, 4);
  if (extended) {
    Require(t.headerSize >= 0x78, fileName, "The header is too short for its version");
    t.codePage = static_cast<int>(GetLe(bytes, kOffCodePage, 2));
    t.encrypted = GetLe(bytes, kOffEncryption2, 4) != 0 || (encryption1 != 0 && encryption1 != 0xFF00FF00u);
  } else {
    t.encrypted = encryption1 != 0;
  }

  // Field types and sizes, then the table name pointer, one name pointer per
  // field, the table name and the NUL-terminated field names.
  std::size_t pos = extended ? 0x78 : 0x58;
  const std::size_t end = static_cast<std::size_t>(t.headerSize);
  Require(pos + 2 * numFields <= end, fileName, "The field list runs past the header");
  int offset = 0;
  for (int i = 0; i < numFields; ++i) {
    FieldInfo f;
    f.type = static_cast<unsigned char>(bytes[pos + 2 * i]);
    f.declaredSize = static_cast<unsigned char>(bytes[pos + 2 * i + 1]);
    f.width = FieldWidth(f.type, f.declaredSize);
    Require(f.width > 0, fileName, "Field " + std::to_string(i + 1) + " has an unknown type or no size");
    f.offset = offset;
    offset += f.width;
    t.fields.push_back(f);
  }
  Require(offset == t.recordSize, fileName, "The fields do not add up to the record size");
  pos += 2 * numFields + 4 + 4 * numFields + (t.version >= kVersion70 ? 261 : 79);
  Require(pos < end, fileName, "The field names run past the header");
  std::set<std::string> seen;
  for (auto& f : t.fields) {
    f.name = ToUtf8(ReadName(bytes, pos, end), t.codePage == 0 ? 437 : t.codePage);
    Require(!f.name.empty(), fileName, "A field has no name");
  }
  for (int k = 0; k < t.keyFields; ++k) {
    auto type = t.fields[k].type;
    Require(type != kMemo && type != kBlob && type != kFmtMemo && type != kOle && type != kGraphic, fileName,
            "A key field is a memo or blob");
  }

  // Data blocks, from the first along the chain. A block visited twice or
  // lying outside the file means a damaged table.
  const auto numRecords = GetLe(bytes, kOffNumRecords, 4);
  const int fileBlocks = static_cast<int>(GetLe(bytes, kOffFileBlocks, 2));
  int block = static_cast<int>(GetLe(bytes, kOffFirstBlock, 2));
  const int perBlock = t.RecordsPerBlock();
  if (t.encrypted) {
    // Data blocks of an encrypted table are scrambled; pxlib knows the scheme.
    // pxlib follows these numbers without checking them, so they are
    // checked here first.
    const std::size_t lastBlock = GetLe(bytes, kOffLastBlock, 2);
    Require(
        static_cast<std::size_t>(t.headerSize) + static_cast<std::size_t>(fileBlocks) * t.BlockBytes() <= bytes.size(),
        fileName, "The header claims more data blocks than the file holds");
    Require(block <= fileBlocks && lastBlock <= static_cast<std::size_t>(fileBlocks), fileName,
            "The header names a data block past the end of the table");
    Require(numRecords <= static_cast<std::size_t>(fileBlocks) * perBlock, fileName,
            "The header claims more records than the file holds");
    t.records = ReadRecordsThroughPxlib(fileName, t.recordSize, static_cast<int>(numRecords));
    return t;
  }
  std::set<int> visited;
  while (block != 0) {
    Require(visited.insert(block).second, fileName, "The chain of data blocks loops");
    Require(block <= fileBlocks || fileBlocks == 0, fileName, "A data block lies past the table's last block");
    const std::size_t start =
        static_cast<std::size_t>(t.headerSize) + static_cast<std::size_t>(block - 1) * t.BlockBytes();
    Require(start + kBlockHeaderSize <= bytes.size(), fileName,
            "Data block " + std::to_string(block) + " lies past the end of the file (the file is cut short)");
    const int next = static_cast<int>(GetLe(bytes, static_cast<int>(start), 2));
    const auto addSize = static_cast<std::int16_t>(GetLe(bytes, static_cast<int>(start) + 4, 2));
    const int count = addSize < 0 ? 0 : addSize / t.recordSize + 1;
    Require(addSize < 0 || (addSize % t.recordSize == 0 && count <= perBlock), fileName,
            "Data block " + std::to_string(block) + " gives an impossible record count");
    Require(start + kBlockHeaderSize + static_cast<std::size_t>(count) * t.recordSize <= bytes.size(), fileName,
            "Data block " + std::to_string(block) + " is cut short");
    for (int r = 0; r < count; ++r)
      t.records.push_back(
          bytes.substr(start + kBlockHeaderSize + static_cast<std::size_t>(r) * t.recordSize, t.recordSize));
    Require(t.records.size() <= numRecords, fileName, "The data blocks hold more records than the header says");
    block = next;
  }
  Require(t.records.size() == numRecords, fileName,
          "The header says " + std::to_string(numRecords) + " records but the data blocks hold " +
              std::to_string(t.records.size()));
  return t;
}

}  // namespace orn::paradox
