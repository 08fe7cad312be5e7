#include "TableCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "FieldCodec.h"
#include "FileSystem.h"
#include "MemoFile.h"
#include "ParadoxFormat.h"
#include "PrimaryIndex.h"
#include "TableError.h"

namespace orn {

using namespace paradox;

namespace {

// A file opened for reading parts of it; `error` says why it could not be.
class PartReader {
 public:
  explicit PartReader(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
      error_ = "cannot be read: " + std::string(std::strerror(errno));
      return;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
  }
  ~PartReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

  const std::string& Error() const { return error_; }
  std::uint64_t Size() const { return size_; }
  // A read that fails part way gives what came before it; the checks then
  // see a short file, which they report.
  std::string Read(std::uint64_t offset, std::size_t length) const {
    std::string out(length, '\0');
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = ::pread(fd_, out.data() + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string error_;
};

TableCheck Failed(std::string check, std::string detail, const TableCheck& sofar = {}) {
  TableCheck c = sofar;
  c.sound = false;
  c.check = std::move(check);
  c.detail = std::move(detail);
  return c;
}

// Messages of the table layer start a sentence; here they follow a name.
std::string Lowered(std::string text) {
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

std::string Plural(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Index entry numbers are kept big-endian with the sign bit flipped.
int IndexShort(const std::string& bytes, std::size_t at) {
  const unsigned v =
      (static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 8) | static_cast<unsigned char>(bytes[at + 1]);
  return static_cast<int>(v ^ 0x8000u);
}

// The records the index gives for each data block, read from its lowest
// level, or why the index cannot be read that far.
struct IndexCounts {
  std::map<int, long long> perBlock;
  long long total = 0;
  std::string fault;
};

IndexCounts ReadIndexCounts(const std::string& px) {
  IndexCounts out;
  const int headerSize = static_cast<int>(GetLe(px, kOffHeaderSize, 2));
  const int blockBytes = static_cast<unsigned char>(px[kOffBlockSize]) * 1024;
  const int entrySize = static_cast<int>(GetLe(px, kOffRecordSize, 2));
  const int root = static_cast<int>(GetLe(px, kOffIndexRoot, 2));
  const int levels = static_cast<unsigned char>(px[kOffIndexLevels]);
  if (levels == 0) return out;  // an empty table's index
  if (entrySize < 6 || blockBytes == 0) {
    out.fault = "its header gives an impossible entry or block size";
    return out;
  }
  std::set<int> visited;
  // Depth first from the root; the entries of level 1 point at data blocks.
  struct Step {
    int block, level;
  };
  std::vector<Step> pending{{root, levels}};
  while (!pending.empty() && out.fault.empty()) {
    const Step step = pending.back();
    pending.pop_back();
    const std::uint64_t start =
        static_cast<std::uint64_t>(headerSize) + static_cast<std::uint64_t>(step.block - 1) * blockBytes;
    if (step.block < 1 || !visited.insert(step.block).second || start + kBlockHeaderSize > px.size()) {
      out.fault = "its block " + std::to_string(step.block) + " is missing or used twice";
      break;
    }
    const auto addSize = static_cast<std::int16_t>(GetLe(px, static_cast<int>(start) + 4, 2));
    const int entries = addSize < 0 ? 0 : addSize / entrySize + 1;
    if (start + kBlockHeaderSize + static_cast<std::uint64_t>(entries) * entrySize > px.size() ||
        kBlockHeaderSize + entries * entrySize > blockBytes) {
      out.fault = "its block " + std::to_string(step.block) + " is cut short";
      break;
    }
    // Children in reverse, so that the lowest level is read in key order.
    for (int e = entries - 1; e >= 0; --e) {
      const std::size_t tail = start + kBlockHeaderSize + static_cast<std::size_t>(e + 1) * entrySize - 6;
      const int target = IndexShort(px, tail);
      if (step.level > 1) {
        pending.push_back({target, step.level - 1});
      } else {
        const int count = IndexShort(px, tail + 2);
        out.perBlock[target] += count;
        out.total += count;
      }
    }
  }
  return out;
}

TableCheck CheckIndex(const TableImage& table, const BlockChain& chain, const std::string& pxPath,
                      const TableCheck& sofar) {
  const std::string name = ExtractFileName(pxPath);
  auto px = ReadWholeFile(pxPath);
  if (!px) return Failed("primary index", name + " cannot be read", sofar);
  if (px->size() < 0x58 || static_cast<unsigned char>((*px)[kOffFileType]) != kPrimaryIndex ||
      GetLe(*px, kOffHeaderSize, 2) > px->size())
    return Failed("primary index", name + " is not a primary index (" + Plural(px->size(), "byte", "bytes") + ")",
                  sofar);
  try {
    CheckIndexHeader(table, px->substr(0, GetLe(*px, kOffHeaderSize, 2)), pxPath);
  } catch (const TableError&) {
    return Failed("primary index", name + " is the index of another key than the table's", sofar);
  }
  const IndexCounts counts = ReadIndexCounts(*px);
  if (!counts.fault.empty()) return Failed("primary index", name + ": " + counts.fault, sofar);
  if (counts.total != static_cast<long long>(table.headerRecords))
    return Failed("primary index",
                  name + " counts " + Plural(counts.total, "record", "records") + ", the table's header says " +
                      std::to_string(table.headerRecords),
                  sofar);
  std::map<int, long long> held;
  for (const DataBlock& b : chain.blocks) held[b.number] = b.records;
  for (const auto& [block, count] : counts.perBlock) {
    auto it = held.find(block);
    const long long inTable = it == held.end() ? 0 : it->second;
    if (inTable != count)
      return Failed("primary index",
                    name + " gives data block " + std::to_string(block) + " " + Plural(count, "record", "records") +
                        ", the block holds " + std::to_string(inTable),
                    sofar);
  }
  return sofar;
}

bool HasBlobFields(const TableImage& table) {
  for (const FieldInfo& f : table.fields)
    if (IsBlobType(f.type)) return true;
  return false;
}

// The header of the file `db` reads, as a table's; throws TableError.
TableImage ReadHeader(const PartReader& db, const std::string& path) {
  // The header's own size is in its first bytes.
  const std::string start = db.Read(0, 0x58);
  const std::size_t headerSize = start.size() < 0x58 ? start.size() : GetLe(start, kOffHeaderSize, 2);
  return ParseTableHeader(path, db.Read(0, std::max(headerSize, start.size())));
}

}  // namespace

bool ReadsAsParadoxTable(const std::string& path) {
  PartReader db(path);
  if (!db.Error().empty()) return false;
  try {
    ReadHeader(db, path);
    return true;
  } catch (const TableError&) {
    return false;
  }
}

TableCheck CheckTableFiles(const TablePaths& files) {
  TableCheck result;
  const std::string name = ExtractFileName(files.db);
  PartReader db(files.db);
  if (!db.Error().empty()) {
    result.headerRead = false;
    return Failed("header", name + " " + db.Error(), result);
  }

  TableImage table;
  try {
    table = ReadHeader(db, files.db);
  } catch (const TableError& e) {
    result.headerRead = false;
    return Failed("header", Lowered(e.WhatFailed()), result);
  }
  result.records = table.headerRecords;

  const std::uint64_t size = db.Size();
  const std::uint64_t blockBytes = static_cast<std::uint64_t>(table.BlockBytes());
  const std::uint64_t expected = static_cast<std::uint64_t>(table.headerSize) + table.fileBlocks * blockBytes;
  BlockChain chain;
  if (!table.encrypted) {
    chain = FollowBlockChain(table, size,
                             [&db](std::uint64_t offset, std::size_t length) { return db.Read(offset, length); });
    const std::uint64_t held = chain.RecordsInFile();
    // A cut file shows first as records missing, the figure a reader of the
    // log understands; a chain that is broken inside the file as itself.
    if ((chain.fault.empty() || chain.cutShort) && held != table.headerRecords)
      return Failed("record count",
                    "header says " + Plural(table.headerRecords, "record", "records") + ", the file holds " +
                        std::to_string(held),
                    result);
    if (!chain.fault.empty()) return Failed("data blocks", Lowered(chain.fault), result);
    for (const DataBlock& b : chain.blocks)
      if (b.recordsInFile < b.records)
        return Failed("data blocks",
                      "data block " + std::to_string(b.number) + " gives " + Plural(b.records, "record", "records") +
                          ", the file holds " + std::to_string(b.recordsInFile) + " of them",
                      result);
  } else if (table.headerRecords > static_cast<std::uint64_t>(table.fileBlocks) * table.RecordsPerBlock()) {
    return Failed("record count",
                  "header says " + Plural(table.headerRecords, "record", "records") + ", its " +
                      Plural(static_cast<std::uint64_t>(table.fileBlocks), "block holds", "blocks hold") + " at most " +
                      std::to_string(static_cast<std::uint64_t>(table.fileBlocks) * table.RecordsPerBlock()),
                  result);
  }
  if (size != expected)
    return Failed("file size",
                  "header says " + Plural(static_cast<std::uint64_t>(table.fileBlocks), "block", "blocks") + " of " +
                      std::to_string(blockBytes) + " bytes after " + std::to_string(table.headerSize) +
                      " bytes of header (" + std::to_string(expected) + " bytes), the file holds " +
                      std::to_string(size) + " bytes",
                  result);
  if (table.usedBlocks > table.fileBlocks)
    return Failed("file size",
                  "header says " + Plural(static_cast<std::uint64_t>(table.usedBlocks), "block", "blocks") +
                      " in use, the file holds " + std::to_string(table.fileBlocks),
                  result);

  if (table.fileType == kKeyedTable && !table.encrypted && !files.px.empty()) {
    result = CheckIndex(table, chain, files.px, result);
    if (!result.sound) return result;
  }
  if (HasBlobFields(table) && (files.mb.empty() || !FileExists(files.mb)))
    return Failed(
        "memo file",
        "the table has memo fields, but its memo file " + ExtractFileName(MemoFilePath(files.db)) + " is missing",
        result);
  return result;
}

}  // namespace orn
