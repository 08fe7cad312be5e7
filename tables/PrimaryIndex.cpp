#include "PrimaryIndex.h"

#include <algorithm>
#include <cstring>

#include "TableError.h"

namespace orn::paradox {

namespace {

constexpr int kIndexHeaderSize = 2048;
constexpr int kExtraIndexFields = 6;  // block number, record count, spare

void PutShortValue(char* p, int value) {
  const unsigned v = static_cast<unsigned>(value) ^ 0x8000u;
  p[0] = static_cast<char>((v >> 8) & 0xFF);
  p[1] = static_cast<char>(v & 0xFF);
}

}  // namespace

int MaxIndexBlockKb(int version) {
  if (version >= kVersion70) return 32;
  if (version >= 10) return 16;  // 5.0
  return 4;
}

std::string NewIndexHeader(const TableImage& table, const std::string& tableName) {
  std::string h(kIndexHeaderSize, '\0');
  PutLe(h, kOffRecordSize, 2, static_cast<std::uint32_t>(table.KeyBytes() + kExtraIndexFields));
  PutLe(h, kOffHeaderSize, 2, kIndexHeaderSize);
  h[kOffFileType] = static_cast<char>(kPrimaryIndex);
  h[kOffBlockSize] = static_cast<char>(table.blockSizeKb);
  PutLe(h, kOffIndexRoot, 2, 1);
  PutLe(h, kOffNumFields, 2, static_cast<std::uint32_t>(table.keyFields));
  h[kOffSortOrder] = static_cast<char>(table.sortOrder);
  h[kOffVersion] = static_cast<char>(table.version);
  PutLe(h, kOffMaxBlocks, 2, 1);
  std::size_t pos = 0x58;
  for (int i = 0; i < table.keyFields; ++i) {
    h[pos++] = static_cast<char>(table.fields[i].type);
    h[pos++] = static_cast<char>(table.fields[i].declaredSize);
  }
  pos += 4;  // table name pointer
  std::memcpy(&h[pos], tableName.data(), std::min<std::size_t>(tableName.size(), 78));
  return h;
}

void CheckIndexHeader(const TableImage& table, const std::string& header, const std::string& pxPath) {
  auto require = [&](bool ok) {
    if (!ok) throw TableError(pxPath, "The primary index does not match its table; the table cannot be changed safely");
  };
  require(header.size() >= 0x58 + 2u * table.keyFields);
  require(static_cast<unsigned char>(header[kOffFileType]) == kPrimaryIndex);
  require(static_cast<int>(GetLe(header, kOffHeaderSize, 2)) == static_cast<int>(header.size()));
  require(static_cast<int>(GetLe(header, kOffRecordSize, 2)) == table.KeyBytes() + kExtraIndexFields);
  require(static_cast<int>(GetLe(header, kOffNumFields, 2)) == table.keyFields);
  const int blockKb = static_cast<unsigned char>(header[kOffBlockSize]);
  require(blockKb >= 1 && blockKb <= 32);
  for (int i = 0; i < table.keyFields; ++i) {
    require(static_cast<unsigned char>(header[0x58 + 2 * i]) == table.fields[i].type);
    require(static_cast<unsigned char>(header[0x58 + 2 * i + 1]) == table.fields[i].declaredSize);
  }
}

std::string BuildIndex(const TableImage& table, const std::string& header, const std::vector<std::string>& records,
                       const std::string& pxPath) {
  const int perBlock = table.RecordsPerBlock();
  const int dataBlocks = static_cast<int>((records.size() + perBlock - 1) / perBlock);
  const int keyBytes = table.KeyBytes();
  const int entrySize = keyBytes + kExtraIndexFields;
  // The index is kept in one block. When the entries outgrow it, the block
  // is made larger (an index's block size is its own, independent of the
  // table's) up to what the table's format allows.
  int blockKb = static_cast<unsigned char>(header[kOffBlockSize]);
  const int maxKb = std::max(blockKb, MaxIndexBlockKb(table.version));
  while (dataBlocks > (blockKb * 1024 - kBlockHeaderSize) / entrySize && blockKb * 2 <= maxKb) blockKb *= 2;
  const int indexBlockBytes = blockKb * 1024;
  if (dataBlocks > (indexBlockBytes - kBlockHeaderSize) / entrySize)
    throw TableError(pxPath, "The primary index would need more than one level; the table cannot be changed safely");

  std::string px = header;
  px[kOffBlockSize] = static_cast<char>(blockKb);
  const int indexBlocks = dataBlocks > 0 ? 1 : 0;
  PutLe(px, kOffNumRecords, 4, static_cast<std::uint32_t>(dataBlocks));
  PutLe(px, kOffUsedBlocks, 2, static_cast<std::uint32_t>(indexBlocks));
  PutLe(px, kOffFileBlocks, 2, static_cast<std::uint32_t>(indexBlocks));
  PutLe(px, kOffFirstBlock, 2, static_cast<std::uint32_t>(indexBlocks));
  PutLe(px, kOffLastBlock, 2, static_cast<std::uint32_t>(indexBlocks));
  PutLe(px, kOffIndexRoot, 2, 1);
  px[kOffIndexLevels] = static_cast<char>(indexBlocks);
  if (indexBlocks == 0) return px;

  std::string block(static_cast<std::size_t>(indexBlockBytes), '\0');
  PutLe(block, 4, 2, static_cast<std::uint32_t>((dataBlocks - 1) * entrySize));
  for (int b = 0; b < dataBlocks; ++b) {
    char* entry = &block[kBlockHeaderSize + static_cast<std::size_t>(b) * entrySize];
    const std::size_t first = static_cast<std::size_t>(b) * perBlock;
    const int count = static_cast<int>(std::min<std::size_t>(perBlock, records.size() - first));
    std::memcpy(entry, records[first].data(), static_cast<std::size_t>(keyBytes));
    PutShortValue(entry + keyBytes, b + 1);
    PutShortValue(entry + keyBytes + 2, count);
    PutShortValue(entry + keyBytes + 4, 0);
  }
  return px + block;
}

}  // namespace orn::paradox
