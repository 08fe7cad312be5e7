// The on-disk layout of Paradox data tables (.DB) as the layer reads and
// writes it: the header with its field list, the chain of data blocks and the
// raw records. Values inside a record are decoded by FieldCodec; memo texts
// that live outside the record by MemoFile. Every offset read from a file is
// checked against the file's length, so a damaged or lying header is
// reported, never followed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orn::paradox {

enum FieldType : std::uint8_t {
  kAlpha = 0x01,
  kDate = 0x02,
  kShort = 0x03,
  kLong = 0x04,
  kCurrency = 0x05,
  kNumber = 0x06,
  kLogical = 0x09,
  kMemo = 0x0C,
  kBlob = 0x0D,
  kFmtMemo = 0x0E,
  kOle = 0x0F,
  kGraphic = 0x10,
  kTime = 0x14,
  kTimestamp = 0x15,
  kAutoInc = 0x16,
  kBcd = 0x17,
  kBytes = 0x18,
};

// File types of the header byte 0x04.
constexpr int kKeyedTable = 0;
constexpr int kPrimaryIndex = 1;
constexpr int kUnkeyedTable = 2;

// Header version ids (byte 0x39): 3 = 3.0, 4 = 3.5, 5..9 = 4.0, 10..11 = 5.0,
// 12 = 7.0. The layer changes tables of 4.0 and later only.
constexpr int kVersion40 = 5;
constexpr int kVersion70 = 12;

// Offsets inside the common header.
constexpr int kOffRecordSize = 0x00;
constexpr int kOffHeaderSize = 0x02;
constexpr int kOffFileType = 0x04;
constexpr int kOffBlockSize = 0x05;
constexpr int kOffNumRecords = 0x06;
constexpr int kOffUsedBlocks = 0x0A;
constexpr int kOffFileBlocks = 0x0C;
constexpr int kOffFirstBlock = 0x0E;
constexpr int kOffLastBlock = 0x10;
constexpr int kOffIndexRoot = 0x1E;
constexpr int kOffIndexLevels = 0x20;
constexpr int kOffNumFields = 0x21;
constexpr int kOffKeyFields = 0x23;
constexpr int kOffEncryption1 = 0x25;
constexpr int kOffSortOrder = 0x29;
constexpr int kOffVersion = 0x39;
constexpr int kOffMaxBlocks = 0x3A;
constexpr int kOffAutoInc = 0x49;
constexpr int kOffEncryption2 = 0x5C;  // 4.0 and later data files
constexpr int kOffUpdateTime = 0x60;
constexpr int kOffCodePage = 0x6A;
constexpr int kBlockHeaderSize = 6;

struct FieldInfo {
  std::string name;  // UTF-8, converted from the table's code page
  std::uint8_t type = 0;
  int declaredSize = 0;  // as the header gives it (BCD: its decimals)
  int width = 0;         // bytes taken in the record
  int offset = 0;        // from the record's start
};

struct TableImage {
  std::string fileName;
  std::string header;  // the header's bytes, kept to write them back
  int recordSize = 0;
  int headerSize = 0;
  int fileType = 0;
  int blockSizeKb = 0;
  int version = 0;
  int keyFields = 0;
  int codePage = 0;  // from the header; 0 when it names none
  int sortOrder = 0;
  bool encrypted = false;
  std::vector<FieldInfo> fields;
  // The header's figures of the data blocks, as read; ParseTable checks
  // them against the blocks, a consistency check against the file.
  std::uint32_t headerRecords = 0;
  int usedBlocks = 0;
  int fileBlocks = 0;
  int firstBlock = 0;
  std::vector<std::string> records;  // raw records in the table's order

  int BlockBytes() const { return blockSizeKb * 1024; }
  int RecordsPerBlock() const { return (BlockBytes() - kBlockHeaderSize) / recordSize; }
  // Bytes of the key fields at the start of a record.
  int KeyBytes() const;
};

// Width in the record of a field of `type` declared with `size`; 0 when the
// type is unknown.
int FieldWidth(std::uint8_t type, int declaredSize);

// Parses a whole .DB file. Throws TableError naming `fileName` when the bytes
// are not a Paradox data table or contradict themselves.
TableImage ParseTable(const std::string& fileName, const std::string& bytes);

// Parses the header alone (records stay empty). `bytes` is the start of the
// file, the whole header when the file holds it. Throws TableError as
// ParseTable does when the header is not a Paradox data table's.
TableImage ParseTableHeader(const std::string& fileName, const std::string& bytes);

// Up to `length` bytes of a file from `offset`; fewer at its end.
using ReadAt = std::function<std::string(std::uint64_t offset, std::size_t length)>;

// One data block of a table's chain: where it starts, how many records its
// header gives and how many of those the file holds whole.
struct DataBlock {
  int number = 0;
  std::uint64_t start = 0;
  int records = 0;
  int recordsInFile = 0;
};

struct BlockChain {
  std::vector<DataBlock> blocks;  // in chain order, as far as it could be followed
  // Why the chain could not be followed to its end (empty when it could);
  // `cutShort` when it ran past the end of the file.
  std::string fault;
  bool cutShort = false;
  std::uint64_t RecordsInFile() const;
};

// Follows the chain of data blocks of an unencrypted table from the header's
// first block, reading only each block's header through `read`. Stops at a
// loop, a block past the header's last block or past the end of the file,
// and a block whose record count cannot be.
BlockChain FollowBlockChain(const TableImage& table, std::uint64_t fileSize, const ReadAt& read);

// Little-endian helpers for header fields.
std::uint32_t GetLe(const std::string& bytes, int offset, int width);
void PutLe(std::string& bytes, int offset, int width, std::uint32_t value);

}  // namespace orn::paradox
