// File-system steps of an archive run: creating a directory path level by
// level, emptying the temporary directory, and placing a copy of a finished
// archive into a target directory so that it only replaces the previous
// generation of its slot once it has been read back and found sound.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orn {

class ArchiveBackend;
class MessageLog;

// Creates every missing level of `path` ("/a/b c/d/" or "//server/share/d/"),
// logging each level that cannot be made and going on with the next. An empty
// or relative path creates nothing.
void CreateDirectoryPath(const std::string& path, MessageLog& log);

// Holds a directory for one archive run: a second run (a scheduled one beside
// the user's) must not empty the temporary directory under the first. The
// lock goes with the process, so a run that died leaves nothing behind.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  bool Held() const { return held_; }
  // Tries once more to take the lock; true when it is held now.
  bool TryAgain();
  // False when the lock cannot be had at all (the folder cannot be opened,
  // its file system keeps no locks): waiting would not help.
  bool WorthWaiting() const { return error_ == EWOULDBLOCK; }
  // The system's error of the last failed attempt.
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  int error_ = 0;
};

// The files of `files` that can be opened for reading; each existing one
// that cannot is logged with the system's reason and left out, so that the
// log names it.
std::vector<std::string> ReadableFiles(const std::vector<std::string>& files, MessageLog& log);

// Deletes every file directly in `directory`; sub-directories stay.
void EmptyDirectory(const std::string& directory);

// Full paths of the files directly in `directory` matching `mask`, by name.
std::vector<std::string> FilesIn(const std::string& directory, const std::string& mask = "*.*");

// One file of an archive and the name its copy gets.
struct CopyItem {
  std::string from;
  std::string to;
};

// Copies the files of one archive (one file, or every volume of a set) into
// their targets. Before copying, the target's free space is compared with
// the archive's size. Each file is copied under a temporary name beside its
// target; the copies are tested through the back-end as one archive, and
// only then renamed over the targets. Any failure is logged, the temporary
// copies are removed and the previous files stay. After a volume set has
// been placed (`volumeSet`), higher-numbered volumes of an older, longer set
// under the same names are removed, since they no longer belong to any set.
// Returns true when every file is in place. `copying`, when given, hears
// the target and how many of the archive's bytes are copied so far; it
// answers false when the person stopped the run, and the copy is then
// removed and logged as cancelled.
using FreeSpaceQuery = std::function<std::optional<std::int64_t>(const std::string& directory)>;
using CopyingProgress = std::function<bool(const std::string& target, std::int64_t copied, std::int64_t total)>;
bool PlaceVerifiedCopy(const std::vector<CopyItem>& items, bool volumeSet, ArchiveBackend& backend, MessageLog& log,
                       const FreeSpaceQuery& freeSpace, const CopyingProgress& copying = {});

// The temporary name under which a copy is made before it is verified:
// beside the target, one of the program's temporary names (which match no
// archive name mask of the job and are removed when a run leaves them).
// Every volume of a set gets the temporary part of the first (`sameAs`).
std::string PendingCopyName(const std::string& target, const std::string& sameAs = std::string());

}  // namespace orn
