// Which entries may be extracted at all: nothing may be written outside the
// base directory. The name rule itself is the record layer's one rule
// (CheckEntryName); this adds what only the engine can see before the
// library runs: an entry that would be written through a symbolic link, one
// on disk under the base directory or one the archive itself creates first.
#pragma once

#include <string>
#include <vector>

#include "ZipDirEntry.h"

namespace orn {

// True when the entry is a symbolic link stored by a Unix host.
bool IsSymlinkEntry(const ZipDirEntry& entry);

// Answers, for every entry of `entries`, why it is unsafe ("" when it is
// safe, or when it only names the target folder itself), for extraction into
// `baseDir` with or without stored paths.
std::vector<std::string> UnsafeEntryReasons(const std::vector<ZipDirEntry>& entries, const std::string& baseDir,
                                            bool withPaths);

}  // namespace orn
