#include "CreateTable.h"

#include <cstring>
#include <set>

#include "FieldCodec.h"
#include "FileSystem.h"
#include "PrimaryIndex.h"
#include "TableError.h"
#include "TableWriter.h"
#include "TextUtil.h"

namespace orn {

using namespace paradox;

namespace {

constexpr int kHeaderUnit = 2048;
const char kSortOrderName[] = "ascii";  // byte order; sort order id 0

int StoredSize(const FieldDef& def) {
  switch (def.type) {
    case kAlpha:
      return def.size >= 1 && def.size <= 255 ? def.size : 0;
    case kBytes:
      return def.size >= 1 && def.size <= 255 ? def.size : 0;
    case kMemo:
    case kBlob:
    case kFmtMemo:
    case kOle:
    case kGraphic:
      return def.size >= 11 && def.size <= 250 ? def.size : 0;
    case kBcd:
      return def.size >= 0 && def.size <= 32 ? def.size : -1;
    default:
      return FieldWidth(def.type, 0);
  }
}

}  // namespace

void CreateTable(const std::string& path, const std::vector<FieldDef>& fields, const TableOptions& options) {
  if (PathExists(path)) throw TableError(path, "The table exists already");
  if (fields.empty() || fields.size() > 255) throw TableError(path, "A table needs 1 to 255 fields");
  if (options.version < kVersion40 || options.version > kVersion70)
    throw TableError(path, "Only tables of format 4.0 to 7.0 are created");
  if (options.keyFields < 0 || options.keyFields > static_cast<int>(fields.size()))
    throw TableError(path, "More key fields than fields");
  const int blockKb = options.blockSizeKb;
  if (blockKb != 1 && blockKb != 2 && blockKb != 4 && blockKb != 8 && blockKb != 16 && blockKb != 32)
    throw TableError(path, "A block size of " + std::to_string(blockKb) + " KB is not possible");

  TableImage t;
  t.fileName = path;
  t.fileType = options.keyFields > 0 ? kKeyedTable : kUnkeyedTable;
  t.blockSizeKb = blockKb;
  t.version = options.version;
  t.keyFields = options.keyFields;
  t.codePage = options.codePage;
  std::set<std::string> names;
  std::vector<std::string> storedNames;
  int offset = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldDef& def = fields[i];
    FieldInfo f;
    f.name = def.name;
    f.type = def.type;
    const int size = StoredSize(def);
    if (def.name.empty() || size < 0 || (size == 0 && def.type != kBcd))
      throw TableError(
          path, "Field " + std::to_string(i + 1) + " (" + def.name + ") has no name, an unknown type or a wrong size");
    f.declaredSize = (def.type == kAlpha || def.type == kBytes || IsBlobType(def.type) || def.type == kBcd)
                         ? size
                         : FieldWidth(def.type, 0);
    f.width = FieldWidth(def.type, f.declaredSize);
    f.offset = offset;
    offset += f.width;
    std::string stored = EncodeText(def.name, options.codePage, path);
    if (stored.size() > 25 || !names.insert(UpperAscii(stored)).second)
      throw TableError(path, "Field name \"" + def.name + "\" is too long or used twice");
    if (static_cast<int>(i) < options.keyFields && IsBlobType(def.type))
      throw TableError(path, "A memo or blob field cannot be a key field");
    storedNames.push_back(stored);
    t.fields.push_back(f);
  }
  t.recordSize = offset;
  if (t.recordSize > t.BlockBytes() - kBlockHeaderSize) throw TableError(path, "The records are larger than a block");

  // Header: common part, the 4.0+ data part, the field list, the table name,
  // the field names, their numbers and the sort order's name.
  const int nf = static_cast<int>(fields.size());
  const std::string tableName = ExtractFileName(path);
  const std::size_t nameArea = options.version >= kVersion70 ? 261 : 79;
  std::size_t needed = 0x78 + 2 * nf + 4 + 4 * nf + nameArea;
  for (const auto& n : storedNames) needed += n.size() + 1;
  needed += 2 * nf + sizeof kSortOrderName;
  const std::size_t headerSize = (needed + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit;
  std::string h(headerSize, '\0');
  PutLe(h, kOffRecordSize, 2, static_cast<std::uint32_t>(t.recordSize));
  PutLe(h, kOffHeaderSize, 2, static_cast<std::uint32_t>(headerSize));
  h[kOffFileType] = static_cast<char>(t.fileType);
  h[kOffBlockSize] = static_cast<char>(blockKb);
  PutLe(h, kOffNumFields, 2, static_cast<std::uint32_t>(nf));
  PutLe(h, kOffKeyFields, 2, static_cast<std::uint32_t>(options.keyFields));
  PutLe(h, kOffEncryption1, 4, 0xFF00FF00u);
  h[kOffSortOrder] = 0;
  h[kOffVersion] = static_cast<char>(options.version);
  h[0x3E] = 0x1F;
  h[0x3F] = 0x0F;
  h[0x56] = 0x20;
  const std::uint32_t fileVersion = 0x0100u | static_cast<std::uint32_t>(options.version);
  PutLe(h, 0x58, 2, fileVersion);
  PutLe(h, 0x5A, 2, fileVersion);
  PutLe(h, 0x64, 2, static_cast<std::uint32_t>(nf + 1));
  PutLe(h, kOffCodePage, 2, static_cast<std::uint32_t>(options.codePage));
  h[0x6C] = 0x01;
  h[0x6D] = 0x01;
  std::size_t pos = 0x78;
  for (const auto& f : t.fields) {
    h[pos++] = static_cast<char>(f.type);
    h[pos++] = static_cast<char>(f.declaredSize);
  }
  pos += 4 + 4 * nf;
  std::memcpy(&h[pos], tableName.data(), std::min(tableName.size(), nameArea - 1));
  pos += nameArea;
  for (const auto& n : storedNames) {
    std::memcpy(&h[pos], n.data(), n.size());
    pos += n.size() + 1;
  }
  for (int i = 0; i < nf; ++i) {
    PutLe(h, static_cast<int>(pos), 2, static_cast<std::uint32_t>(i + 1));
    pos += 2;
  }
  std::memcpy(&h[pos], kSortOrderName, sizeof kSortOrderName);
  t.header = h;
  t.headerSize = static_cast<int>(headerSize);

  std::vector<std::pair<std::string, std::string>> files;
  files.emplace_back(path, BuildTableBytes(t, {}));
  if (options.keyFields > 0) {
    const bool lower = ExtractFileExt(path).find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
    const std::string pxPath = CutAtFirstDotOfName(path) + (lower ? ".px" : ".PX");
    if (PathExists(pxPath)) throw TableError(pxPath, "An index of that name exists already");
    const std::string pxName = ExtractFileName(pxPath);
    files.emplace_back(pxPath, BuildIndex(t, NewIndexHeader(t, pxName), {}, pxPath));
  }
  CommitFiles(files);
}

}  // namespace orn
