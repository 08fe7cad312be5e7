#include "RunFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ArchiveBackend.h"
#include "FileSystem.h"
#include "MessageLog.h"
#include "RunNames.h"

namespace orn {

void CreateDirectoryPath(const std::string& path, MessageLog& log) {
  if (path.empty() || DirectoryExists(path)) return;
  std::string prefix = PathRoot(path);
  if (prefix.empty()) return;
  std::string rest = path.substr(prefix.size());
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(kPathDelim, start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    prefix += part + kPathDelim;
    if (!DirectoryExists(prefix) && !CreateDir(prefix)) log.DirectoryNotCreated(prefix, std::strerror(errno));
  }
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

std::vector<std::string> ReadableFiles(const std::vector<std::string>& files, MessageLog& log) {
  std::vector<std::string> readable;
  for (const std::string& f : files) {
    // A file that is gone is the source lists' to report.
    if (!FileExists(f)) {
      readable.push_back(f);
      continue;
    }
    int fd = ::open(f.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      log.SourceNotRead(f, std::strerror(errno));
      continue;
    }
    ::close(fd);
    readable.push_back(f);
  }
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

std::string PendingCopyName(const std::string& target, const std::string& sameAs) {
  return TemporaryNameBeside(target, sameAs);
}

namespace {

std::string DirectoryOf(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  return dir.empty() ? std::string(".") : dir;
}

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

void RemovePending(const std::vector<std::string>& pending) {
  for (const std::string& p : pending) DeleteFileAt(p);
}

// Volume n + 1, n + 2, ... of a set whose last placed volume is `lastTarget`.
void RemoveStaleVolumes(const std::string& lastTarget) {
  std::string name = ExtractFileName(lastTarget);
  std::optional<int> number = VolumeNumber(name);
  if (!number) return;
  for (int n = *number + 1; n <= 999; ++n) {
    std::string stale = ExtractFilePath(lastTarget) + WithVolumeNumber(name, n);
    if (!FileExists(stale) || !DeleteFileAt(stale)) break;
  }
}

}  // namespace

bool PlaceVerifiedCopy(const std::vector<CopyItem>& items, bool volumeSet, ArchiveBackend& backend, MessageLog& log,
                       const FreeSpaceQuery& freeSpace, const CopyingProgress& copying) {
  if (items.empty()) return false;
  if (!HasRoomFor(items, log, freeSpace)) return false;

  std::int64_t total = 0;
  for (const CopyItem& item : items) total += FileSize(item.from).value_or(0);
  std::int64_t before = 0;  // what the files before this one held
  bool stopped = false;
  const auto goOn = [&](std::int64_t copied) {
    if (copying && !copying(items.front().to, before + copied, total)) stopped = true;
    return !stopped;
  };
  std::vector<std::string> pending;
  for (const CopyItem& item : items) {
    std::string temp = PendingCopyName(item.to, pending.empty() ? std::string() : pending.front());
    pending.push_back(temp);
    std::string error;
    if (!goOn(0) || !CopyToNewFile(item.from, temp, &error, goOn)) {
      // Stopped by the person: a cancellation, not a failure of the disk.
      if (stopped)
        log.Cancelled(items.front().to);
      else
        log.FileNotCopied(item.from, item.to, CauseOf(error));
      RemovePending(pending);
      return false;
    }
    before += FileSize(item.from).value_or(0);
  }

  std::string why;
  if (!backend.Test(pending, &why)) {
    if (backend.Cancelled())
      log.Cancelled(items.front().to);
    else
      log.Error(log.Texts().Text("msg_BadCopy") + " \"" + items.front().to + "\"" + (why.empty() ? "" : ": " + why));
    RemovePending(pending);
    return false;
  }

  bool placed = true;
  for (size_t i = 0; i < items.size(); ++i) {
    // rename() replaces whatever sits under the target's name, a symbolic
    // link included, and never writes through it.
    if (!RenameFile(pending[i], items[i].to)) {
      log.FileNotCopied(items[i].from, items[i].to, std::strerror(errno));
      DeleteFileAt(pending[i]);
      placed = false;
    }
  }
  SyncDirectory(DirectoryOf(items.front().to));
  if (placed && volumeSet) RemoveStaleVolumes(items.back().to);
  return placed;
}

}  // namespace orn
