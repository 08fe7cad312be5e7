// Which entries may be extracted at all: nothing may be written outside the
// base directory. An entry whose name is absolute, carries a drive letter,
// climbs with "..", or would be written through a symbolic link (one on disk
// under the base directory, or one the archive itself creates first) is unsafe.
#pragma once

#include <string>
#include <vector>

#include "ZipDirEntry.h"

namespace orn {

// True when the stored name (bytes as stored, "/" or "\" separators) is
// absolute, has a drive letter, or has a ".." part.
bool IsUnsafeEntryName(const std::string& storedName);
// True when the entry is a symbolic link stored by a Unix host.
bool IsSymlinkEntry(const ZipDirEntry& entry);

// Answers, for every entry of `entries`, why it is unsafe ("" when it is
// safe), for extraction into `baseDir` with or without stored paths.
std::vector<std::string> UnsafeEntryReasons(const std::vector<ZipDirEntry>& entries, const std::string& baseDir,
                                            bool withPaths);

}  // namespace orn
