#include "ExtractGuard.h"

#include <sys/stat.h>

#include <set>

#include "FileSystem.h"
#include "ZipNames.h"

namespace orn {
namespace {

bool IsSymlinkOnDisk(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool IsSymlinkEntry(const ZipDirEntry& e) {
  return e.HostSystem == kHostUnix && ((e.ExternalAttr >> 16) & 0170000u) == 0120000u;
}

std::vector<std::string> UnsafeEntryReasons(const std::vector<ZipDirEntry>& entries, const std::string& baseDir,
                                            bool withPaths) {
  std::set<std::string> archiveLinks;
  for (const ZipDirEntry& e : entries) {
    SafeName link = CheckEntryName(e.Name, true);
    if (IsSymlinkEntry(e) && link.verdict == NameVerdict::Write) archiveLinks.insert(link.path);
  }

  const std::string base = IncludeTrailingDelimiter(baseDir.empty() ? CurrentDir() : baseDir);
  std::vector<std::string> reasons(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SafeName safe = CheckEntryName(entries[i].Name, withPaths);
    if (safe.verdict == NameVerdict::Unsafe) {
      reasons[i] = safe.reason;
      continue;
    }
    if (safe.verdict == NameVerdict::SkipQuiet) continue;
    std::string stored;
    std::size_t from = 0;
    while (from <= safe.path.size()) {
      std::size_t to = safe.path.find('/', from);
      const bool last = to == std::string::npos;
      if (last) to = safe.path.size();
      stored = safe.path.substr(0, to);
      if (!last && archiveLinks.count(stored)) {
        reasons[i] = "written through the symbolic link " + stored + " of the archive";
        break;
      }
      if (IsSymlinkOnDisk(base + stored)) {
        // Replacing a link the archive itself restores is the library's
        // business; any other link on the way is refused.
        if (!(last && IsSymlinkEntry(entries[i]))) reasons[i] = "written through the symbolic link " + base + stored;
        break;
      }
      from = to + 1;
    }
  }
  return reasons;
}

}  // namespace orn
