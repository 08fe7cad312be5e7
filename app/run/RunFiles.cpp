#include "RunFiles.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "ArchiveBackend.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "MessageLog.h"
#include "RunNames.h"

namespace orn {

std::vector<std::string> CreateDirectoryPath(const std::string& path, MessageLog& log, unsigned mode) {
  std::vector<std::string> made;
  if (path.empty() || DirectoryExists(path)) return made;
  std::string prefix = PathRoot(path);
  if (prefix.empty()) return made;
  std::string rest = path.substr(prefix.size());
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(kPathDelim, start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    prefix += part + kPathDelim;
    if (DirectoryExists(prefix)) continue;
    if (CreateDir(prefix, mode))
      made.push_back(prefix);
    else
      log.DirectoryNotCreated(prefix, std::strerror(errno));
  }
  return made;
}

DirectoryLock::DirectoryLock(const std::string& directory) {
  fd_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) error_ = errno;
  TryAgain();
}

bool DirectoryLock::TryAgain() {
  if (!held_ && fd_ >= 0) {
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    error_ = held_ ? 0 : errno;
  }
  return held_;
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> ReadableFiles(const std::vector<std::string>& files, MessageLog& log, size_t* distinct,
                                       std::vector<unsigned>* modes) {
  // What one open of each name found; the names are opened on two threads
  // (a list may hold a hundred thousand files) and reported in their order.
  struct Opened {
    int error = 0;
    bool regular = false;
    dev_t dev = 0;
    ino_t ino = 0;
    unsigned mode = 0;
  };
  std::vector<Opened> opened(files.size());
  auto openFrom = [&](size_t first, size_t step) {
    for (size_t i = first; i < files.size(); i += step) {
      Opened& o = opened[i];
      const int fd = ::open(files[i].c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) {
        o.error = errno;
        continue;
      }
      struct stat st {};
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        o.regular = true;
        o.dev = st.st_dev;
        o.ino = st.st_ino;
        o.mode = static_cast<unsigned>(st.st_mode);
      }
      ::close(fd);
    }
  };
  {
    std::thread other(openFrom, 1, 2);
    openFrom(0, 2);
    other.join();
  }
  std::vector<std::string> readable;
  std::set<std::pair<dev_t, ino_t>> seen;
  for (size_t i = 0; i < files.size(); ++i) {
    const Opened& o = opened[i];
    if (o.error != 0 && o.error != ENOENT && o.error != ENOTDIR) {
      log.SourceNotRead(files[i], std::strerror(o.error));
      continue;
    }
    if (o.regular) {
      seen.insert({o.dev, o.ino});
      if (modes) modes->push_back(o.mode);
    }
    readable.push_back(files[i]);
  }
  if (distinct) *distinct = seen.size();
  return readable;
}

void EmptyDirectory(const std::string& directory) {
  for (const FoundFile& f : FindFiles(directory, "*.*", FindWhat::Files)) DeleteFileAt(JoinPath(directory, f.name));
}

std::vector<std::string> FilesIn(const std::string& directory, const std::string& mask) {
  std::vector<std::string> out;
  for (const FoundFile& f : FindFiles(directory, mask, FindWhat::Files)) out.push_back(JoinPath(directory, f.name));
  return out;
}

std::optional<FileChecksum> ChecksumOf(const std::string& path, bool fromDisk) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (fromDisk) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  FileChecksum sum;
  sum.size = 0;
  std::vector<char> buffer(4u << 20);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    sum.crc = libdeflate_crc32(sum.crc, buffer.data(), static_cast<size_t>(n));
    sum.size += n;
  }
  ::close(fd);
  return sum;
}

std::string PendingCopyName(const std::string& target, const std::string& sameAs) {
  return TemporaryNameBeside(target, sameAs);
}

namespace {

std::string DirectoryOf(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  return dir.empty() ? std::string(".") : dir;
}

}  // namespace

bool HasRoomFor(const std::vector<CopyItem>& items, MessageLog& log, const FreeSpaceQuery& freeSpace) {
  std::int64_t needed = 0;
  for (const CopyItem& item : items) needed += FileSize(item.from).value_or(0);
  std::string dir = DirectoryOf(items.front().to);
  std::optional<std::int64_t> free = freeSpace ? freeSpace(dir) : FreeSpace(dir);
  if (!free || *free >= needed) return true;
  log.Error(log.Texts().Text("msg_NoSpace") + " \"" + dir + "\": " + std::to_string(needed) + " bytes needed, " +
            std::to_string(*free) + " bytes free");
  return false;
}

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

void RemovePending(const std::vector<std::string>& pending) {
  for (const std::string& p : pending) DeleteFileAt(p);
}

// Volume n + 1, n + 2, ... of a set whose last volume is `lastTarget`: they
// belong to no set once a shorter one is in place.
std::vector<std::string> StaleVolumes(const std::string& lastTarget) {
  std::vector<std::string> stale;
  std::string name = ExtractFileName(lastTarget);
  std::optional<int> number = VolumeNumber(name);
  if (!number) return stale;
  for (int n = *number + 1; n <= 999; ++n) {
    std::string path = ExtractFilePath(lastTarget) + WithVolumeNumber(name, n);
    if (!FileExists(path)) break;
    stale.push_back(path);
  }
  return stale;
}

}  // namespace

PendingCopy MakePendingCopy(const std::vector<CopyItem>& items, int mode, const CopyProgress& progress) {
  PendingCopy copy;
  copy.items = items;
  std::int64_t before = 0;  // what the files before this one held
  const CopyProgress goOn = [&](std::int64_t copied) {
    if (!progress || progress(before + copied)) return true;
    copy.cancelled = true;
    return false;
  };
  for (size_t i = 0; i < items.size(); ++i) {
    copy.names.push_back(PendingCopyName(items[i].to, copy.names.empty() ? std::string() : copy.names.front()));
    std::string error;
    if (!goOn(0) || !CopyToNewFile(items[i].from, copy.names.back(), &error, mode, goOn)) {
      copy.failed = i;
      copy.notCopied = true;
      copy.why = CauseOf(error);
      return copy;
    }
    before += FileSize(items[i].from).value_or(0);
  }
  // The copies are on the disk (CopyToNewFile flushed them); what the disk
  // gives back must be the tested archive, byte for byte.
  for (size_t i = 0; i < items.size(); ++i) {
    const std::optional<FileChecksum> sum = ChecksumOf(copy.names[i], /*fromDisk=*/true);
    if (sum && *sum == items[i].tested) continue;
    copy.failed = i;
    copy.why = !sum ? std::string(std::strerror(errno))
                    : "read back " + std::to_string(sum->size) + " bytes, CRC " + Hex(sum->crc) +
                          "; the tested archive has " + std::to_string(items[i].tested.size) + " bytes, CRC " +
                          Hex(items[i].tested.crc);
    return copy;
  }
  copy.failed = items.size();
  return copy;
}

void DiscardPendingCopy(PendingCopy& copy) {
  RemovePending(copy.names);
  copy.names.clear();
}

bool PlacePendingCopy(PendingCopy& copy, bool volumeSet, MessageLog& log) {
  const std::vector<CopyItem>& items = copy.items;
  if (items.empty()) return false;
  if (copy.failed < items.size()) {
    const CopyItem& item = items[copy.failed];
    // Stopped by the person: a cancellation, not a failure of the disk.
    if (copy.cancelled)
      log.Cancelled(items.front().to);
    else if (copy.notCopied)
      log.FileNotCopied(item.from, item.to, copy.why);
    else
      log.Error(log.Texts().Text("msg_BadCopy") + " \"" + item.to + "\": " + copy.why);
    DiscardPendingCopy(copy);
    return false;
  }
  // The whole set replaces the whole previous one, or nothing does: renamed
  // over their names (rename() replaces a symbolic link there, never writes
  // through it) under a journal that the next run completes.
  std::vector<PreparedFile> prepared;
  for (size_t i = 0; i < items.size(); ++i) prepared.push_back({copy.names[i], items[i].to});
  copy.names.clear();
  std::string error;
  if (!PutInPlaceTogether(prepared, volumeSet ? StaleVolumes(items.back().to) : std::vector<std::string>(), &error)) {
    log.FileNotCopied(items.front().from, items.front().to, CauseOf(error));
    return false;
  }
  return true;
}

bool PlaceVerifiedCopy(const std::vector<CopyItem>& items, bool volumeSet, MessageLog& log,
                       const FreeSpaceQuery& freeSpace, int mode) {
  if (items.empty() || !HasRoomFor(items, log, freeSpace)) return false;
  PendingCopy copy = MakePendingCopy(items, mode);
  return PlacePendingCopy(copy, volumeSet, log);
}

}  // namespace orn
