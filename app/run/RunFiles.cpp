#include "RunFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
      log.DirectoryNotCreated(prefix);
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

bool PlaceVerifiedCopy(const std::vector<CopyItem>& items, bool volumeSet, ArchiveBackend& backend, MessageLog& log,
                       const FreeSpaceQuery& freeSpace, int mode) {
  if (items.empty()) return false;
  if (!HasRoomFor(items, log, freeSpace)) return false;

  std::vector<std::string> pending;
  for (const CopyItem& item : items) {
    std::string temp = PendingCopyName(item.to, pending.empty() ? std::string() : pending.front());
    pending.push_back(temp);
    std::string error;
    if (!CopyToNewFile(item.from, temp, &error, mode)) {
      log.FileNotCopied(item.from, item.to, CauseOf(error));
      RemovePending(pending);
      return false;
    }
  }

  std::string why;
  if (!backend.Test(pending, &why)) {
    log.Error(log.Texts().Text("msg_BadCopy") + " \"" + items.front().to + "\"" + (why.empty() ? "" : ": " + why));
    RemovePending(pending);
    return false;
  }

  // The whole set replaces the whole previous one, or nothing does: renamed
  // over their names (rename() replaces a symbolic link there, never writes
  // through it) under a journal that the next run completes.
  std::vector<PreparedFile> prepared;
  for (size_t i = 0; i < items.size(); ++i) prepared.push_back({pending[i], items[i].to});
  std::string error;
  if (!PutInPlaceTogether(prepared, volumeSet ? StaleVolumes(items.back().to) : std::vector<std::string>(), &error)) {
    log.FileNotCopied(items.front().from, items.front().to, CauseOf(error));
    return false;
  }
  return true;
}

}  // namespace orn
