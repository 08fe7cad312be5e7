#include "TableWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "Clock.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "TableError.h"

namespace orn::paradox {

namespace {

constexpr double kUnixEpochDay = 25569.0;

}  // namespace

std::string BuildTableBytes(const TableImage& table, const std::vector<std::string>& records) {
  const int perBlock = table.RecordsPerBlock();
  const int blocks = static_cast<int>((records.size() + perBlock - 1) / perBlock);
  std::string out = table.header;
  PutLe(out, kOffNumRecords, 4, static_cast<std::uint32_t>(records.size()));
  PutLe(out, kOffUsedBlocks, 2, static_cast<std::uint32_t>(blocks));
  PutLe(out, kOffFileBlocks, 2, static_cast<std::uint32_t>(blocks));
  PutLe(out, kOffFirstBlock, 2, blocks > 0 ? 1u : 0u);
  PutLe(out, kOffLastBlock, 2, static_cast<std::uint32_t>(blocks));
  PutLe(out, kOffMaxBlocks, 2, static_cast<std::uint32_t>(blocks));
  if (table.version >= kVersion40) {
    const double seconds = std::floor((Now() - kUnixEpochDay) * 86400.0);
    PutLe(out, kOffUpdateTime, 4, seconds > 0 ? static_cast<std::uint32_t>(seconds) : 0u);
  }
  out.reserve(out.size() + static_cast<std::size_t>(blocks) * table.BlockBytes());
  for (int b = 0; b < blocks; ++b) {
    std::string block(static_cast<std::size_t>(table.BlockBytes()), '\0');
    const std::size_t first = static_cast<std::size_t>(b) * perBlock;
    const int count = static_cast<int>(std::min<std::size_t>(perBlock, records.size() - first));
    PutLe(block, 0, 2, b + 1 < blocks ? static_cast<std::uint32_t>(b + 2) : 0u);
    PutLe(block, 2, 2, static_cast<std::uint32_t>(b));
    PutLe(block, 4, 2, static_cast<std::uint32_t>((count - 1) * table.recordSize));
    for (int r = 0; r < count; ++r)
      std::memcpy(&block[kBlockHeaderSize + static_cast<std::size_t>(r) * table.recordSize], records[first + r].data(),
                  static_cast<std::size_t>(table.recordSize));
    out += block;
  }
  return out;
}

void CommitFiles(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string error;
  if (!ReplaceFilesTogether(files, &error)) throw TableError(files.front().first, error);
}

void CheckWritable(const std::string& path) {
  if (!FileExists(path)) return;
  // A file without any write permission is read-only even for a user
  // whom the system would let write it.
  struct stat st {};
  if (::access(path.c_str(), W_OK) != 0 || (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0))
    throw TableError(path, "The table is read-only and cannot be changed");
  const std::string dir = ExtractFilePath(path).empty() ? "." : ExtractFilePath(path);
  if (::access(dir.c_str(), W_OK) != 0)
    throw TableError(path, "The table's folder is read-only, so the table cannot be changed");
  // Another program holding a lock on the file (as a table engine working on
  // it does through a shared folder) makes it unsafe to replace.
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw TableError(path, std::string("Cannot open the table for changing: ") + std::strerror(errno));
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool lockedByOther = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  if (lockedByOther) throw TableError(path, "The table is locked by another program");
}

}  // namespace orn::paradox
