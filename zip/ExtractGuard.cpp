#include "ExtractGuard.h"

#include <sys/stat.h>

#include <cctype>
#include <set>

#include "FileSystem.h"

namespace orn {
namespace {

std::vector<std::string> SplitParts(const std::string& name) {
  std::vector<std::string> parts;
  std::string part;
  for (char ch : name) {
    if (ch == '/' || ch == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += ch;
    }
  }
  parts.push_back(part);
  return parts;
}

bool IsSymlinkOnDisk(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool IsUnsafeEntryName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '/' || name[0] == '\\') return true;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return true;
  if (name.find('\0') != std::string::npos) return true;
  for (const std::string& part : SplitParts(name))
    if (part == "..") return true;
  return false;
}

bool IsSymlinkEntry(const ZipDirEntry& e) {
  return e.HostSystem == 3 && ((e.ExternalAttr >> 16) & 0170000u) == 0120000u;
}

std::vector<std::string> UnsafeEntryReasons(const std::vector<ZipDirEntry>& entries, const std::string& baseDir,
                                            bool withPaths) {
  std::set<std::string> archiveLinks;
  for (const ZipDirEntry& e : entries)
    if (IsSymlinkEntry(e)) {
      std::string link = e.RawName;
      for (char& ch : link)
        if (ch == '\\') ch = '/';
      while (!link.empty() && link.back() == '/') link.pop_back();
      archiveLinks.insert(link);
    }

  const std::string base = IncludeTrailingDelimiter(baseDir.empty() ? CurrentDir() : baseDir);
  std::vector<std::string> reasons(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i].RawName;
    if (IsUnsafeEntryName(name)) {
      reasons[i] = "absolute name, drive letter or \"..\"";
      continue;
    }
    std::vector<std::string> parts = SplitParts(name);
    if (!withPaths) parts = {parts.back()};
    std::string stored, onDisk = base;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      if (parts[k].empty() || parts[k] == ".") continue;
      stored += (stored.empty() ? "" : "/") + parts[k];
      onDisk += (k ? "/" : "") + parts[k];
      const bool last = k + 1 == parts.size();
      if (!last && withPaths && archiveLinks.count(stored)) {
        reasons[i] = "written through the symbolic link " + stored + " of the archive";
        break;
      }
      if (IsSymlinkOnDisk(onDisk)) {
        reasons[i] = "written through the symbolic link " + onDisk;
        break;
      }
    }
  }
  return reasons;
}

}  // namespace orn
