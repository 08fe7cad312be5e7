#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace orn {

std::string IncludeTrailingDelimiter(const std::string& path) {
  if (path.empty() || path.back() == kPathDelim) return path;
  return path + kPathDelim;
}

std::string ExcludeTrailingDelimiter(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == kPathDelim) p.pop_back();
  return p;
}

bool HasTrailingDelimiter(const std::string& path) { return !path.empty() && path.back() == kPathDelim; }

std::string ExtractFilePath(const std::string& path) {
  auto pos = path.rfind(kPathDelim);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  auto pos = path.rfind(kPathDelim);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(pos);
}

std::string CutAtFirstDotOfName(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  auto pos = name.find('.');
  return dir + (pos == std::string::npos ? name : name.substr(0, pos));
}

std::string PathRoot(const std::string& path) {
  if (path.rfind("//", 0) == 0) {  // "//server/" stands where "\\server\" would
    auto pos = path.find(kPathDelim, 2);
    return pos == std::string::npos ? path + kPathDelim : path.substr(0, pos + 1);
  }
  return IsAbsolutePath(path) ? std::string(1, kPathDelim) : std::string();
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == kPathDelim; }

std::string JoinPath(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : IncludeTrailingDelimiter(dir) + name;
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool CreateDir(const std::string& path) {
  std::string p = ExcludeTrailingDelimiter(path);
  return !p.empty() && ::mkdir(p.c_str(), 0777) == 0;
}

bool ForceDirectories(const std::string& path) {
  std::string p = ExcludeTrailingDelimiter(path);
  if (p.empty()) return false;
  if (DirectoryExists(p)) return true;
  std::string parent = ExcludeTrailingDelimiter(ExtractFilePath(p));
  if (!parent.empty() && parent != p && !DirectoryExists(parent) && !ForceDirectories(parent)) return false;
  return ::mkdir(p.c_str(), 0777) == 0 || DirectoryExists(p);
}

bool DeleteFileAt(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

std::optional<std::int64_t> FileSize(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::int64_t> FileMTime(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtime);
}

std::string ExecutableDir() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return IncludeTrailingDelimiter(CurrentDir());
  buf[n] = 0;
  return ExtractFilePath(buf);
}

std::string CurrentDir() {
  char buf[4096];
  return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

namespace {
bool MatchFrom(const char* n, const char* m) {
  // Iterative '*' matcher with one back-tracking point, letter case ignored.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*n) {
    if (*m == '*') {
      star = m++;
      resume = n;
    } else if (*m == '?' || std::tolower(static_cast<unsigned char>(*m)) == std::tolower(static_cast<unsigned char>(*n))) {
      ++m;
      ++n;
    } else if (star) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*m == '*') ++m;
  return *m == 0;
}
}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*.*" || mask == "*") return true;
  if (MatchFrom(name.c_str(), mask.c_str())) return true;
  // As on Windows, "NAME.*" also finds "NAME" that has no extension.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos)
    return MatchFrom(name.c_str(), mask.substr(0, mask.size() - 2).c_str());
  return false;
}

std::vector<FoundFile> FindFiles(const std::string& dir, const std::string& mask, FindWhat what) {
  std::vector<FoundFile> out;
  std::string d = dir.empty() ? std::string(".") : dir;
  DIR* h = ::opendir(d.c_str());
  if (!h) return out;
  while (dirent* e = ::readdir(h)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchesMask(name, mask)) continue;
    struct stat st{};
    if (::stat(JoinPath(d, name).c_str(), &st) != 0) continue;
    bool isDir = S_ISDIR(st.st_mode);
    if ((what == FindWhat::Files && isDir) || (what == FindWhat::Directories && !isDir)) continue;
    if (!isDir && !S_ISREG(st.st_mode)) continue;
    out.push_back({name, isDir, static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime)});
  }
  ::closedir(h);
  std::sort(out.begin(), out.end(), [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return out;
}

bool AnyFileMatches(const std::string& pattern) {
  return !FindFiles(ExtractFilePath(pattern), ExtractFileName(pattern)).empty();
}

namespace {
std::string BlockDeviceName(dev_t dev) {
  char link[128];
  std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(dev), minor(dev));
  char buf[512];
  ssize_t n = ::readlink(link, buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = 0;
  return ExtractFileName(buf);
}

bool IsRemovableDevice(dev_t dev) {
  std::string name = BlockDeviceName(dev);
  if (name.empty()) return false;
  for (std::string candidate : {name, name.substr(0, name.find_last_not_of("0123456789") + 1)}) {
    std::ifstream f("/sys/block/" + candidate + "/removable");
    int value = 0;
    if (f >> value) return value == 1;
  }
  return false;
}
}  // namespace

DriveKind DriveKindOf(const std::string& path) {
  struct stat st{};
  std::string p = path;
  while (!p.empty() && ::stat(p.c_str(), &st) != 0) {
    std::string parent = ExcludeTrailingDelimiter(ExtractFilePath(ExcludeTrailingDelimiter(p)));
    if (parent == p) return DriveKind::Unknown;
    p = parent;
  }
  if (p.empty()) return DriveKind::Unknown;
  // The longest mount point that holds the path decides its file-system type.
  std::ifstream mounts("/proc/self/mounts");
  std::string line, best, bestType;
  char resolved[4096];
  std::string real = ::realpath(p.c_str(), resolved) ? std::string(resolved) : p;
  while (std::getline(mounts, line)) {
    std::istringstream in(line);
    std::string dev, mnt, type;
    in >> dev >> mnt >> type;
    std::string prefix = IncludeTrailingDelimiter(mnt);
    if ((real == mnt || IncludeTrailingDelimiter(real).rfind(prefix, 0) == 0) && mnt.size() >= best.size()) {
      best = mnt;
      bestType = type;
    }
  }
  static const char* network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p"};
  for (const char* n : network)
    if (bestType == n) return DriveKind::Network;
  if (IsRemovableDevice(st.st_dev)) return DriveKind::Removable;
  return DriveKind::Fixed;
}

std::optional<std::int64_t> FreeSpace(const std::string& path) {
  struct statvfs s{};
  std::string p = path;
  while (!p.empty() && ::statvfs(p.c_str(), &s) != 0) {
    std::string parent = ExcludeTrailingDelimiter(ExtractFilePath(ExcludeTrailingDelimiter(p)));
    if (parent == p) return std::nullopt;
    p = parent;
  }
  if (p.empty()) return std::nullopt;
  return static_cast<std::int64_t>(s.f_bavail) * static_cast<std::int64_t>(s.f_frsize);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    if (error) *error = "Cannot open file \"" + path + "\": " + std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  if (f.bad()) {
    if (error) *error = "Cannot read file \"" + path + "\"";
    return std::nullopt;
  }
  return ss.str();
}

namespace {
std::string TempNameBeside(const std::string& path) {
  static std::mt19937_64 rng{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp", static_cast<unsigned long long>(rng() & 0xffffffffu));
  return ExtractFilePath(path) + "." + ExtractFileName(path) + suffix;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Opens a temporary file beside `path`, lets `fill` write it, then renames.
template <typename Fill>
bool ReplaceThroughTemp(const std::string& path, std::string* error, Fill fill) {
  std::string temp = TempNameBeside(path);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = "Cannot create file \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  struct stat old{};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = fill(fd) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    if (error) *error = "Cannot write file \"" + path + "\": " + std::strerror(savedErrno);
  }
  return ok;
}
}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
  return ReplaceThroughTemp(path, error, [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (error) *error = "Cannot open file \"" + from + "\": " + std::strerror(errno);
    return false;
  }
  bool ok = ReplaceThroughTemp(to, error, [&](int fd) {
    std::vector<char> buf(1 << 20);
    for (;;) {
      ssize_t n = ::read(in, buf.data(), buf.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(fd, buf.data(), static_cast<size_t>(n))) return false;
    }
  });
  ::close(in);
  return ok;
}

void SetIdlePriority() {
  ::setpriority(PRIO_PROCESS, 0, 19);
#ifdef SCHED_IDLE
  sched_param param{};
  ::sched_setscheduler(0, SCHED_IDLE, &param);
#endif
}

}  // namespace orn
