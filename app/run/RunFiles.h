// File-system steps of an archive run: creating a directory path level by
// level, emptying the temporary directory, and placing a copy of a finished
// archive into a target directory so that it only replaces the previous
// generation of its slot once it has been read back from the disk and found
// to hold exactly the bytes of the archive that was tested.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FileSystem.h"

namespace orn {

class MessageLog;

// Creates every missing level of `path` ("/a/b c/d/" or "//server/share/d/")
// with the permissions `mode` (less the umask), logging each level that
// cannot be made and going on with the next. An empty or relative path
// creates nothing. Returns the levels made.
std::vector<std::string> CreateDirectoryPath(const std::string& path, MessageLog& log, unsigned mode = 0777);

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
// log names it. A name that is gone or no plain file stays (the source lists
// report it). `distinct` receives how many different plain files the list
// names, however often and under whatever spelling: what the archive should
// hold. `modes` receives the permissions of those files. One open per name:
// a run list may hold a hundred thousand files.
std::vector<std::string> ReadableFiles(const std::vector<std::string>& files, MessageLog& log,
                                       size_t* distinct = nullptr, std::vector<unsigned>* modes = nullptr);

// Deletes every file directly in `directory`; sub-directories stay.
void EmptyDirectory(const std::string& directory);

// Full paths of the files directly in `directory` matching `mask`, by name.
std::vector<std::string> FilesIn(const std::string& directory, const std::string& mask = "*.*");

// The bytes of a file as a copy must read them back: its size and CRC-32.
struct FileChecksum {
  std::int64_t size = -1;
  std::uint32_t crc = 0;
  bool operator==(const FileChecksum&) const = default;
};
// Reads the whole file once. With `fromDisk` the pages the system keeps of
// the file are dropped first (the file must have been flushed), so that what
// is read is what the disk holds. Nothing when the file cannot be read.
std::optional<FileChecksum> ChecksumOf(const std::string& path, bool fromDisk = false);

// One file of an archive, the name its copy gets, and the bytes of the file
// as the archive was tested.
struct CopyItem {
  std::string from;
  std::string to;
  FileChecksum tested;
};

// Compares the target's free space with the archive's size; logs and
// answers false when the archive does not fit.
using FreeSpaceQuery = std::function<std::optional<std::int64_t>(const std::string& directory)>;
bool HasRoomFor(const std::vector<CopyItem>& items, MessageLog& log, const FreeSpaceQuery& freeSpace);

// A copy of one archive made under temporary names beside its targets and
// read back, waiting to be placed. Made without logging, so that it can be
// made while the archive itself is being tested.
struct PendingCopy {
  std::vector<CopyItem> items;
  std::vector<std::string> names;  // the temporary names made so far
  size_t failed = 0;               // the item that failed; items.size() when none did
  bool notCopied = false;          // it failed while copying, not when read back
  bool cancelled = false;          // the person stopped it while it was copied
  std::string why;
};
// Copies each file of the archive under its temporary name, flushes it and
// reads it back from the disk against the bytes of the tested archive. The
// copies get the permissions `mode` when it is not negative. `progress`,
// when given, hears how many of the archive's bytes are copied so far; it
// answers false when the person stopped the run, and the copy then fails as
// cancelled.
PendingCopy MakePendingCopy(const std::vector<CopyItem>& items, int mode = -1, const CopyProgress& progress = {});
// Renames a sound pending copy over its targets (see PlaceVerifiedCopy), or
// logs why it is not sound and removes it. True when every file is in place.
bool PlacePendingCopy(PendingCopy& copy, bool volumeSet, MessageLog& log);
// Removes a pending copy that is not to be placed.
void DiscardPendingCopy(PendingCopy& copy);

// Copies the files of one archive (one file, or every volume of a set) into
// their targets. Before copying, the target's free space is compared with
// the archive's size. Each file is copied under a temporary name beside its
// target, flushed, and read back from the disk: only a copy with the bytes
// of the tested archive is put in place (the archive itself was read through
// and its entries' CRCs checked once, before any copy), over its targets as
// one change (PutInPlaceTogether): a volume set replaces the previous set
// whole, and higher-numbered volumes of an older, longer set under the same
// names go with it (`volumeSet`), as they no longer belong to any set. Any
// failure is logged, the temporary copies are removed and the previous files
// stay. The copies get the permissions `mode` when it is not negative.
// Returns true when every file is in place.
bool PlaceVerifiedCopy(const std::vector<CopyItem>& items, bool volumeSet, MessageLog& log,
                       const FreeSpaceQuery& freeSpace, int mode = -1);

// The temporary name under which a copy is made before it is verified:
// beside the target, one of the program's temporary names (which match no
// archive name mask of the job and are removed when a run leaves them).
// Every volume of a set gets the temporary part of the first (`sameAs`).
std::string PendingCopyName(const std::string& target, const std::string& sameAs = std::string());

}  // namespace orn
