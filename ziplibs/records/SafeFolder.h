// Where the files of an archive are put on disk. The target folder is opened
// once; every folder below it is opened (and made) one level at a time
// relative to it, never through a symbolic link, and every file is created
// in its folder under a temporary name, exclusively and without following
// links. This is where the reader's one decision on an entry's name
// (ZipDirEntry::Target) is bound to the writing: a link on disk, or one that
// an archive made first, cannot lead a file out of the target folder.
#pragma once

#include <memory>
#include <string>

#include "UniqueFd.h"

namespace orn {

class SafeFolder {
 public:
  enum class Status { Ok, Unsafe, Failed };

  // Opens `base` (made when missing); Ok() false, with Error(), when it
  // cannot be.
  explicit SafeFolder(const std::string& base);
  bool Ok() const { return static_cast<bool>(base_); }
  const std::string& Error() const { return error_; }
  int Fd() const { return base_.Get(); }

  // Opens the folder `relDir` below the target ("a/b"; "" is the target
  // itself), making the missing ones when `create`. Unsafe when a symbolic
  // link stands on the way; Failed, with `error`, when a folder cannot be
  // opened or made. The last folder opened is kept for the next call.
  Status Open(const std::string& relDir, bool create, std::shared_ptr<UniqueFd>& out, std::string& error);

 private:
  UniqueFd base_;
  std::string error_;
  std::shared_ptr<UniqueFd> cached_;
  std::string cachedPath_;
};

// A new file beside `leaf` in the folder `dirFd`, under the program's
// temporary-name pattern, created exclusively without following links; its
// name in `tempLeaf`. A name left by an earlier, killed run is never reused.
// Invalid when it cannot be created (errno tells why).
UniqueFd CreateTemporaryBeside(int dirFd, const std::string& leaf, std::string& tempLeaf);

}  // namespace orn
