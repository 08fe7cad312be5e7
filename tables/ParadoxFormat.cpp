#include "ParadoxFormat.h"

#include <algorithm>
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

TableImage ParseTableHeader(const std::string& fileName, const std::string& bytes) {
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
  t.headerRecords = GetLe(bytes, kOffNumRecords, 4);
  t.usedBlocks = static_cast<int>(GetLe(bytes, kOffUsedBlocks, 2));
  t.fileBlocks = static_cast<int>(GetLe(bytes, kOffFileBlocks, 2));
  t.firstBlock = static_cast<int>(GetLe(bytes, kOffFirstBlock, 2));

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
  for (auto& f : t.fields) {
    f.name = ToUtf8(ReadName(bytes, pos, end), t.codePage == 0 ? 437 : t.codePage);
    Require(!f.name.empty(), fileName, "A field has no name");
  }
  for (int k = 0; k < t.keyFields; ++k) {
    auto type = t.fields[k].type;
    Require(type != kMemo && type != kBlob && type != kFmtMemo && type != kOle && type != kGraphic, fileName,
            "A key field is a memo or blob");
  }
  return t;
}

std::uint64_t BlockChain::RecordsInFile() const {
  std::uint64_t n = 0;
  for (const DataBlock& b : blocks) n += static_cast<std::uint64_t>(b.recordsInFile);
  return n;
}

BlockChain FollowBlockChain(const TableImage& t, std::uint64_t fileSize, const ReadAt& read) {
  BlockChain chain;
  const int perBlock = t.RecordsPerBlock();
  std::set<int> visited;
  for (int block = t.firstBlock; block != 0;) {
    const std::string number = std::to_string(block);
    if (!visited.insert(block).second) {
      chain.fault = "The chain of data blocks loops at block " + number;
      break;
    }
    // A header without a count of its blocks is followed as far as the file goes.
    if (block > t.fileBlocks && t.fileBlocks != 0) {
      chain.fault = "Data block " + number + " lies past the table's last block " + std::to_string(t.fileBlocks);
      break;
    }
    const std::uint64_t start =
        static_cast<std::uint64_t>(t.headerSize) + static_cast<std::uint64_t>(block - 1) * t.BlockBytes();
    const std::string head = start < fileSize ? read(start, kBlockHeaderSize) : std::string();
    if (head.size() < static_cast<std::size_t>(kBlockHeaderSize)) {
      chain.fault = "Data block " + number + " lies past the end of the file (the file is cut short)";
      chain.cutShort = true;
      break;
    }
    const int next = static_cast<int>(GetLe(head, 0, 2));
    const auto addSize = static_cast<std::int16_t>(GetLe(head, 4, 2));
    const int count = addSize < 0 ? 0 : addSize / t.recordSize + 1;
    if (addSize >= 0 && (addSize % t.recordSize != 0 || count > perBlock)) {
      chain.fault = "Data block " + number + " gives an impossible record count";
      break;
    }
    DataBlock b;
    b.number = block;
    b.start = start;
    b.records = count;
    const std::uint64_t room = fileSize - start - kBlockHeaderSize;
    b.recordsInFile = static_cast<int>(std::min<std::uint64_t>(count, room / static_cast<std::uint64_t>(t.recordSize)));
    chain.blocks.push_back(b);
    block = next;
  }
  return chain;
}

TableImage ParseTable(const std::string& fileName, const std::string& bytes) {
  TableImage t = ParseTableHeader(fileName, bytes);
  const int perBlock = t.RecordsPerBlock();
  if (t.encrypted) {
    // Data blocks of an encrypted table are scrambled; pxlib knows the scheme.
    // pxlib follows these numbers without checking them, so they are
    // checked here first.
    const std::size_t lastBlock = GetLe(bytes, kOffLastBlock, 2);
    Require(static_cast<std::size_t>(t.headerSize) + static_cast<std::size_t>(t.fileBlocks) * t.BlockBytes() <=
                bytes.size(),
            fileName, "The header claims more data blocks than the file holds");
    Require(t.firstBlock <= t.fileBlocks && lastBlock <= static_cast<std::size_t>(t.fileBlocks), fileName,
            "The header names a data block past the end of the table");
    Require(t.headerRecords <= static_cast<std::size_t>(t.fileBlocks) * perBlock, fileName,
            "The header claims more records than the file holds");
    t.records = ReadRecordsThroughPxlib(fileName, t.recordSize, static_cast<int>(t.headerRecords));
    return t;
  }
  // A block visited twice or lying outside the file means a damaged table.
  const BlockChain chain = FollowBlockChain(t, bytes.size(), [&bytes](std::uint64_t offset, std::size_t length) {
    return offset < bytes.size() ? bytes.substr(offset, length) : std::string();
  });
  Require(chain.fault.empty(), fileName, chain.fault);
  std::uint64_t total = 0;
  for (const DataBlock& b : chain.blocks) {
    Require(b.recordsInFile == b.records, fileName, "Data block " + std::to_string(b.number) + " is cut short");
    total += static_cast<std::uint64_t>(b.records);
  }
  Require(total == t.headerRecords, fileName,
          "The header says " + std::to_string(t.headerRecords) + " records but the data blocks hold " +
              std::to_string(total));
  t.records.reserve(total);
  for (const DataBlock& b : chain.blocks)
    for (int r = 0; r < b.records; ++r)
      t.records.push_back(
          bytes.substr(b.start + kBlockHeaderSize + static_cast<std::uint64_t>(r) * t.recordSize, t.recordSize));
  return t;
}

}  // namespace orn::paradox
