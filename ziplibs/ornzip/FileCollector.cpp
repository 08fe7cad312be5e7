#include "FileCollector.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "FileSystem.h"
#include "OrnZipLib.h"
#include "Reporter.h"

namespace orn::zipfmt {

std::string NormalizeSeparators(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

std::string StoredNameFor(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  // A drive letter ("C:") is not part of a stored name.
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) i = 2;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (!part.empty() && part != "." && part != "..") {
      if (!out.empty()) out += '/';
      out += part;
    }
    i = j + 1;
  }
  return out;
}

std::string ShortDosName(const std::string& storedName) {
  std::string out;
  std::size_t i = 0;
  while (i <= storedName.size()) {
    std::size_t j = storedName.find('/', i);
    bool last = j == std::string::npos;
    if (last) j = storedName.size();
    std::string part = storedName.substr(i, j - i);
    if (!part.empty()) {
      std::size_t dot = part.rfind('.');
      std::string base = dot == std::string::npos || dot == 0 ? part : part.substr(0, dot);
      std::string ext = dot == std::string::npos || dot == 0 ? "" : part.substr(dot + 1);
      auto clean = [](std::string s, std::size_t max) {
        std::string r;
        for (char c : s) {
          unsigned char u = static_cast<unsigned char>(c);
          if (u >= 0x80 || std::strchr(" .\"*+,/:;<=>?[\\]|", c)) c = '_';
          r += char(std::toupper(static_cast<unsigned char>(c)));
          if (r.size() == max) break;
        }
        return r;
      };
      std::string shortName = clean(base, 8);
      if (!ext.empty()) shortName += "." + clean(ext, 3);
      out += shortName;
    }
    if (!last || (!storedName.empty() && storedName.back() == '/')) out += '/';
    if (last) break;
    i = j + 1;
  }
  return out;
}

namespace {

bool ReadLinkAt(int dirFd, const std::string& name, std::string& target) {
  std::string buf(4096, '\0');
  ssize_t n = ::readlinkat(dirFd, name.c_str(), buf.data(), buf.size());
  if (n < 0) return false;
  target.assign(buf.data(), std::size_t(n));
  return true;
}

// A file to add from its status; a link stored as a link has its target as
// data.
FileToAdd FileFromStat(const FileToAdd& proto, const std::string& diskPath, const struct stat& st,
                       const std::string& linkTarget) {
  FileToAdd add = proto;
  add.diskPath = diskPath;
  add.isLink = S_ISLNK(st.st_mode);
  add.linkTarget = linkTarget;
  add.size = add.isLink ? linkTarget.size() : std::uint64_t(st.st_size);
  add.mtime = st.st_mtime;
  add.mode = st.st_mode;
  add.dev = st.st_dev;
  add.ino = st.st_ino;
  return add;
}

}  // namespace

bool FileCollector::Excluded(const std::string& diskPath, const std::string& storedName) const {
  std::string base = ExtractFileName(storedName);
  for (const auto& ex : options_.excludes) {
    if (ex.empty()) continue;
    if (ex.find('/') == std::string::npos) {
      if (MatchesMask(base, ex)) return true;
    } else if (MatchesMask(storedName, StoredNameFor(ex)) || MatchesMask(diskPath, ex)) {
      return true;
    }
  }
  return false;
}

void FileCollector::Push(FileToAdd f, std::size_t& matched) {
  if (options_.force83) f.storedName = ShortDosName(f.storedName);
  if (f.storedName.empty() || f.storedName == "/") return;
  if (Excluded(f.diskPath, f.storedName)) return;
  ++matched;
  if (!names_.insert(f.storedName).second) {
    if (!f.isDirectory)
      reporter_.Message(ORN_ZE_NONE, "Name already in the archive, second file skipped: " + f.diskPath);
    return;
  }
  files_.push_back(std::move(f));
}

void FileCollector::Walk(const std::string& dir, const std::string& storedDir, const std::string& mask, bool recurse,
                         std::size_t& matched, const FileToAdd& proto) {
  DIR* h = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!h) {
    reporter_.Message(ORN_ZE_OPEN, "Cannot read directory: " + dir);
    return;
  }
  struct Found {
    std::string name;
    struct stat st;
    std::string linkTarget;
  };
  std::vector<Found> found;
  int dfd = ::dirfd(h);
  while (dirent* e = ::readdir(h)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (name[0] == '.' && !options_.hidden) continue;
    struct stat st {};
    // Links are stored as links when asked to; otherwise links to files are
    // followed and links to directories are not walked into, which keeps a
    // link loop from running forever.
    if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    std::string target;
    if (S_ISLNK(st.st_mode) && options_.storeLinks) {
      if (!ReadLinkAt(dfd, name, target)) {
        reporter_.Message(ORN_ZE_READ, "Cannot read the link " + dir + "/" + name + ": " + std::strerror(errno));
        continue;
      }
    } else if (S_ISLNK(st.st_mode)) {
      struct stat followed {};
      if (::fstatat(dfd, name.c_str(), &followed, 0) != 0 || !S_ISREG(followed.st_mode)) continue;
      st = followed;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) continue;
    found.push_back({std::move(name), st, std::move(target)});
  }
  ::closedir(h);
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.name < b.name; });
  auto join = [](const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    return a.back() == '/' ? a + b : a + "/" + b;
  };
  for (const auto& f : found) {
    if (!S_ISDIR(f.st.st_mode) && MatchesMask(f.name, mask)) {
      FileToAdd add = FileFromStat(proto, join(dir, f.name), f.st, f.linkTarget);
      add.storedName = options_.junkDirs ? f.name : join(storedDir, f.name);
      Push(std::move(add), matched);
    }
  }
  if (!recurse) return;
  for (const auto& f : found) {
    if (!S_ISDIR(f.st.st_mode)) continue;
    std::string sub = join(dir, f.name);
    std::string subStored = join(storedDir, f.name);
    if (options_.dirEntries && !options_.junkDirs) {
      FileToAdd d = proto;
      d.diskPath = sub;
      d.storedName = subStored + "/";
      d.isDirectory = true;
      d.mtime = f.st.st_mtime;
      d.mode = f.st.st_mode;
      d.encrypt = false;
      std::size_t ignored = 0;
      Push(std::move(d), ignored);
    }
    Walk(sub, subStored, mask, recurse, matched, proto);
  }
}

std::size_t FileCollector::AddLine(const std::string& patternIn, const std::string& rootDirIn, bool recurse,
                                   bool encrypt, const std::string& password) {
  std::string pattern = NormalizeSeparators(patternIn);
  std::string root = NormalizeSeparators(rootDirIn);
  std::size_t matched = 0;
  if (pattern.empty()) return 0;
  bool absolute = pattern[0] == '/';
  std::string full = absolute || root.empty() ? pattern : (root.back() == '/' ? root + pattern : root + "/" + pattern);
  // The stored part of a name: the line as written, relative to the root.
  std::string storedFull = StoredNameFor(pattern);

  FileToAdd proto;
  proto.encrypt = encrypt;
  proto.password = password;

  while (full.size() > 1 && full.back() == '/') full.pop_back();
  std::size_t slash = full.rfind('/');
  std::string dir = slash == std::string::npos ? "" : full.substr(0, slash == 0 ? 1 : slash);
  std::string last = slash == std::string::npos ? full : full.substr(slash + 1);
  std::size_t storedSlash = storedFull.rfind('/');
  std::string storedDir = storedSlash == std::string::npos ? "" : storedFull.substr(0, storedSlash);

  struct stat st {};
  std::string target;
  if (options_.storeLinks && !HasWildcard(last) && ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // A link named as it is, stored as a link.
    if (!ReadLinkAt(AT_FDCWD, full, target)) {
      reporter_.Message(ORN_ZE_READ, "Cannot read the link " + full + ": " + std::strerror(errno));
      return 0;
    }
    FileToAdd add = FileFromStat(proto, full, st, target);
    add.storedName = options_.junkDirs ? last : storedFull;
    Push(std::move(add), matched);
    return matched;
  }
  // One look at a name without wildcards serves both questions below: a
  // list of a hundred thousand files is looked up once per file.
  const bool named = !HasWildcard(last) && ::stat(full.c_str(), &st) == 0;
  if (named && S_ISDIR(st.st_mode)) {
    // A directory: its files, and with recursion its whole tree.
    if (options_.dirEntries && !options_.junkDirs && !storedFull.empty()) {
      FileToAdd d = proto;
      d.diskPath = full;
      d.storedName = storedFull + "/";
      d.isDirectory = true;
      d.mtime = st.st_mtime;
      d.mode = st.st_mode;
      d.encrypt = false;
      std::size_t ignored = 0;
      Push(std::move(d), ignored);
    }
    Walk(full, storedFull, "*", recurse, matched, proto);
    return matched;
  }
  if (!HasWildcard(last) && !recurse) {
    // One named file, hidden or not.
    if (named && S_ISREG(st.st_mode)) {
      FileToAdd add = FileFromStat(proto, full, st, "");
      add.storedName = options_.junkDirs ? last : storedFull;
      Push(std::move(add), matched);
    }
    return matched;
  }
  if (!HasWildcard(dir) && ::stat(dir.empty() ? "." : dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    Walk(dir, storedDir, last, recurse, matched, proto);
  return matched;
}

}  // namespace orn::zipfmt
