#include "MemoFile.h"

#include "FileSystem.h"
#include "TableError.h"

namespace orn::paradox {

namespace {

constexpr std::size_t kMemoBlock = 4096;
constexpr unsigned kSingleBlob = 2;
constexpr unsigned kSharedBlock = 3;

// A companion file with the case of the table's extension, else whatever
// case exists on disk.
std::string CompanionPath(const std::string& tablePath, const std::string& upperExt) {
  const std::string base = CutAtFirstDotOfName(tablePath);
  const std::string ext = ExtractFileExt(tablePath);
  const bool lower = !ext.empty() && ext.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
  std::string lowerExt = upperExt;
  for (char& c : lowerExt) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string preferred = base + (lower ? lowerExt : upperExt);
  if (FileExists(preferred)) return preferred;
  std::string other = base + (lower ? upperExt : lowerExt);
  if (FileExists(other)) return other;
  auto found = FindFiles(ExtractFilePath(tablePath).empty() ? "." : ExtractFilePath(tablePath),
                         ExtractFileName(base) + upperExt);
  if (!found.empty()) return ExtractFilePath(tablePath) + found.front().name;
  return preferred;
}

}  // namespace

std::string MemoFilePath(const std::string& tablePath) { return CompanionPath(tablePath, ".MB"); }

const std::string& MemoFile::Bytes() {
  if (!bytes_) {
    std::string error;
    auto bytes = ReadWholeFile(path_, &error);
    if (!bytes) throw TableError(path_, "The memo file cannot be read; memo data is unavailable");
    bytes_ = std::move(*bytes);
  }
  return *bytes_;
}

std::string MemoFile::Read(const FieldInfo& field, const char* record) {
  const std::string raw(record + field.offset, static_cast<std::size_t>(field.width));
  const std::size_t leader = static_cast<std::size_t>(field.width) - 10;
  const std::uint32_t offset = GetLe(raw, static_cast<int>(leader), 4);
  const std::uint32_t length = GetLe(raw, static_cast<int>(leader) + 4, 4);
  if (length == 0) return "";
  std::string data;
  if (length <= leader && (offset == 0 || field.type == kMemo)) {
    data = raw.substr(0, length);
  } else {
    const std::string& mb = Bytes();
    const std::size_t block = offset & 0xFFFFFF00u;
    const unsigned index = offset & 0xFFu;
    auto fail = [&]() {
      return TableError(path_, "The memo file is damaged; memo data of " + field.name + " is unavailable");
    };
    if (block == 0 || block + 12 > mb.size()) throw fail();
    const unsigned type = static_cast<unsigned char>(mb[block]);
    if (index == 0xFF) {
      if (type != kSingleBlob || block + 9 + length > mb.size()) throw fail();
      data = mb.substr(block + 9, length);
    } else {
      const std::size_t entry = block + 12 + index * 5;
      if (type != kSharedBlock || entry + 5 > mb.size()) throw fail();
      const std::size_t start = block + static_cast<unsigned char>(mb[entry]) * 16u;
      if (start < entry || start + length > block + kMemoBlock || start + length > mb.size()) throw fail();
      data = mb.substr(start, length);
    }
  }
  if (field.type == kGraphic && data.size() >= 8) data.erase(0, 8);
  return data;
}

}  // namespace orn::paradox
