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
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
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
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool CreateDir(const std::string& path, unsigned mode) {
  std::string p = ExcludeTrailingDelimiter(path);
  return !p.empty() && ::mkdir(p.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool ForceDirectories(const std::string& path) {
  std::string p = ExcludeTrailingDelimiter(path);
  if (p.empty()) return false;
  if (DirectoryExists(p)) return true;
  std::string parent = ExcludeTrailingDelimiter(ExtractFilePath(p));
  if (!parent.empty() && parent != p && !DirectoryExists(parent) && !ForceDirectories(parent)) return false;
  if (::mkdir(p.c_str(), 0777) == 0) return true;
  // The caller reports why mkdir failed, not why the check after it did.
  const int reason = errno;
  if (DirectoryExists(p)) return true;
  errno = reason;
  return false;
}

bool DeleteFileAt(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  AtFileStep(FileStep::Rename, to);
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::int64_t> FileMTime(const std::string& path) {
  struct stat st {};
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
    } else if (*m == '?' ||
               std::tolower(static_cast<unsigned char>(*m)) == std::tolower(static_cast<unsigned char>(*n))) {
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
    struct stat st {};
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

bool IsRemovableDevice(std::uint64_t device) {
  char link[128];
  std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(device), minor(device));
  char resolved[PATH_MAX];
  if (!::realpath(link, resolved)) return false;
  const std::string sys = resolved;
  // A partition's flags are its disk's.
  for (const std::string& dir : {sys, ExcludeTrailingDelimiter(ExtractFilePath(sys))}) {
    std::ifstream flag(dir + "/removable");
    int value = 0;
    if (flag >> value && value == 1) return true;
    // Memory cards in a card reader of the machine say 0, and so do many
    // USB disks: the bus and the card type tell them apart from a fixed disk.
    std::ifstream type(dir + "/device/type");
    std::string cardType;
    if (type >> cardType && cardType == "SD") return true;
  }
  return sys.find("/usb") != std::string::npos;
}

DriveKind DriveKindOf(const std::string& path) {
  struct stat st {};
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
  struct statvfs s {};
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

unsigned NarrowedMode(unsigned base, const std::vector<unsigned>& sourceModes) {
  unsigned allowed = 0077;
  for (unsigned m : sourceModes) allowed &= m;
  return base & (07700 | allowed);
}

unsigned FileCreationMask() {
  // Read where the system shows it: setting it to read it back would, for a
  // moment, give files of other threads no mask at all.
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0) return static_cast<unsigned>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<unsigned>(mask);
}

unsigned UsualFileMode() { return 0666u & ~FileCreationMask(); }

unsigned FolderModeFor(unsigned fileMode) {
  unsigned mode = 0700 | (fileMode & 0066);
  if (fileMode & 0040) mode |= 0010;
  if (fileMode & 0004) mode |= 0001;
  return mode;
}

namespace {
FileStepHook fileStepHook = nullptr;
}  // namespace

void SetFileStepHook(FileStepHook hook) { fileStepHook = hook; }

void AtFileStep(FileStep step, const std::string& path) {
  if (fileStepHook) fileStepHook(step, path);
}

namespace {
constexpr char kTemporaryPrefix[] = ".~orn-";

bool IsHexDigits(const std::string& s, size_t from, size_t count) {
  if (s.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

namespace {
// This machine, as it names itself: two machines writing into one shared
// folder must not take each other's process numbers for their own.
std::uint32_t HostTag() {
  static const std::uint32_t tag = [] {
    std::string id;
    std::ifstream machine("/etc/machine-id");
    std::getline(machine, id);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    id += host;
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char ch : id) hash = (hash ^ ch) * 16777619u;
    return hash;
  }();
  return tag;
}

std::string Hex8(std::uint64_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08llx", static_cast<unsigned long long>(value & 0xffffffffu));
  return digits;
}

// ".~orn-" + 8 random hex digits + "-" + 8 hex digits of the host + 8 of the
// process + "."; the older form has no owner part.
constexpr size_t kOwnedPrefixSize = sizeof kTemporaryPrefix - 1 + 8 + 1 + 16 + 1;
constexpr size_t kPlainPrefixSize = sizeof kTemporaryPrefix - 1 + 8 + 1;

}  // namespace

bool HasTemporaryOwner(const std::string& name) {
  const size_t p = sizeof kTemporaryPrefix - 1;
  return name.size() > kOwnedPrefixSize && name.rfind(kTemporaryPrefix, 0) == 0 && IsHexDigits(name, p, 8) &&
         name[p + 8] == '-' && IsHexDigits(name, p + 9, 16) && name[p + 25] == '.';
}

std::string TemporaryNameBeside(const std::string& path, const std::string& sameAs) {
  const size_t prefix = sizeof kTemporaryPrefix - 1;
  const std::string sameName = ExtractFileName(sameAs);
  std::string digits;
  if (sameName.rfind(kTemporaryPrefix, 0) == 0 && IsHexDigits(sameName, prefix, 8)) {
    digits = sameName.substr(prefix, 8);
  } else {
    // One generator per thread: the extraction library names files from its workers too.
    thread_local std::mt19937_64 rng{std::random_device{}()};
    digits = Hex8(rng());
  }
  // The owner is asked afresh: a forked child is an owner of its own.
  const std::string owner = Hex8(HostTag()) + Hex8(static_cast<std::uint64_t>(::getpid()));
  return ExtractFilePath(path) + kTemporaryPrefix + digits + "-" + owner + "." + ExtractFileName(path);
}

std::string FinalNameOfTemporary(const std::string& fileName) {
  if (HasTemporaryOwner(fileName)) return fileName.substr(kOwnedPrefixSize);
  const size_t p = sizeof kTemporaryPrefix - 1;
  if (fileName.size() > kPlainPrefixSize && fileName.rfind(kTemporaryPrefix, 0) == 0 && IsHexDigits(fileName, p, 8) &&
      fileName[p + 8] == '.')
    return fileName.substr(kPlainPrefixSize);
  return {};
}

bool IsTemporaryName(const std::string& name) {
  const size_t prefix = sizeof kTemporaryPrefix - 1;
  if (name.rfind(kTemporaryPrefix, 0) == 0) return name.size() > prefix;
  // Names that earlier versions gave their temporary files.
  if (name.rfind("~orn-", 0) == 0 && name.size() > 5) return true;
  if (name.size() > 14 && name[0] == '.' && EndsWith(name, ".tmp") && name[name.size() - 13] == '.' &&
      IsHexDigits(name, name.size() - 12, 8))
    return true;
  // "ornzXXXXXX", the temporary archive of the zip library's earlier versions.
  if (name.size() == 10 && name.rfind("ornz", 0) == 0) {
    for (size_t i = 4; i < name.size(); ++i)
      if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
  }
  if (name.size() > 10) {
    const size_t at = name.size() - 10;
    if (name.compare(at, 4, ".orn") == 0) {
      for (size_t i = at + 4; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
      return true;
    }
  }
  return false;
}

namespace {
// Where /proc cannot say, the moment the program was loaded stands in.
const double programLoadTime = [] {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}();

double Seconds(clockid_t clock) {
  struct timespec t {};
  ::clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Field 22 of /proc/PID/stat: clock ticks from boot to the process's start.
std::optional<unsigned long long> StartTicks(long pid) {
  std::ifstream statFile("/proc/" + (pid > 0 ? std::to_string(pid) : std::string("self")) + "/stat");
  std::string text((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  auto close = text.rfind(')');
  if (close == std::string::npos || close + 2 > text.size()) return std::nullopt;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i)
    if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
  return std::nullopt;
}

// Start times count from boot in clock ticks; the boot itself is placed from
// the two clocks now, to the tick, rather than from "btime" in /proc/stat,
// which has whole seconds only and put every start up to a second early.
std::optional<double> StartTimeOf(long pid) {
  std::optional<unsigned long long> ticks = StartTicks(pid);
  if (!ticks) return std::nullopt;
  const double boot = Seconds(CLOCK_REALTIME) - Seconds(CLOCK_BOOTTIME);
  return boot + static_cast<double>(*ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// One clock tick, and a little for the clocks read one after the other.
constexpr double kStartTimeSlack = 0.02;
// How long a file of another machine's run is left alone: this machine
// cannot ask whether that run is alive.
constexpr double kForeignOwnerSeconds = 24 * 3600;
}  // namespace

double ProcessStartTime() { return StartTimeOf(0).value_or(programLoadTime); }

bool TemporaryOwnerAlive(const std::string& fileName, double written, double changed) {
  // Names without an owner: a file written since this process started may
  // be another run's, alive now.
  if (!HasTemporaryOwner(fileName)) return written >= ProcessStartTime();
  const size_t p = sizeof kTemporaryPrefix - 1 + 9;
  const std::uint32_t host = static_cast<std::uint32_t>(std::strtoul(fileName.substr(p, 8).c_str(), nullptr, 16));
  const long pid = std::strtol(fileName.substr(p + 8, 8).c_str(), nullptr, 16);
  if (host != HostTag()) return changed > Seconds(CLOCK_REALTIME) - kForeignOwnerSeconds;
  if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
  // A process of that number that started after the file last changed is
  // another process that was given the number of a dead owner.
  std::optional<double> started = StartTimeOf(pid);
  return !started || *started <= changed + kStartTimeSlack;
}

bool IsStaleTemporaryAt(int dirFd, const std::string& fileName) {
  if (!IsTemporaryName(fileName)) return false;
  struct stat st {};
  if (::fstatat(dirFd, fileName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;
  // The status change time: a file's own dates may be set to anything (an
  // extracted file gets its entry's date), this one moves with every write.
  const double written = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
  const double changed = static_cast<double>(st.st_ctim.tv_sec) + st.st_ctim.tv_nsec / 1e9;
  return !TemporaryOwnerAlive(fileName, written, changed);
}

namespace {
bool WriteAll(int fd, const char* data, size_t size, const std::string& path) {
  while (size > 0) {
    AtFileStep(FileStep::Write, path);
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

bool SyncFile(int fd, const std::string& path) {
  AtFileStep(FileStep::Fsync, path);
  return ::fsync(fd) == 0;
}

bool CopyContents(int in, int out, const std::string& path, const CopyProgress& progress = {}) {
  std::int64_t copied = 0;
  // Heard after each piece; false stops the copy as cancelled.
  const auto goOn = [&](ssize_t n) {
    copied += n;
    if (!progress || progress(copied)) return true;
    errno = ECANCELED;
    return false;
  };
  // The kernel copies without the bytes passing through the program, and
  // shares the blocks where the file system can; where it cannot (another
  // file system, an old kernel), the bytes are read and written. Someone
  // listening hears of every megabyte.
  const size_t kernelChunk = progress ? size_t{1} << 20 : size_t{64} << 20;
  for (;;) {
    AtFileStep(FileStep::Write, path);
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kernelChunk, 0);
    if (n == 0) return true;
    if (n > 0) {
      if (!goOn(n)) return false;
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF) return false;
    break;
  }
  std::vector<char> buf(1 << 20);
  for (;;) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, buf.data(), static_cast<size_t>(n), path)) return false;
    if (!goOn(n)) return false;
  }
}

// Opens a temporary file beside `path`, lets `fill` write it, then renames.
template <typename Fill>
bool ReplaceThroughTemp(const std::string& path, std::string* error, Fill fill) {
  std::string temp = TemporaryNameBeside(path);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = "Cannot create file \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = fill(fd, temp) && SyncFile(fd, temp);
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && !RenameFile(temp, path)) {
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
  return ReplaceThroughTemp(
      path, error, [&](int fd, const std::string& temp) { return WriteAll(fd, bytes.data(), bytes.size(), temp); });
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (error) *error = "Cannot open file \"" + from + "\": " + std::strerror(errno);
    return false;
  }
  bool ok = ReplaceThroughTemp(to, error, [&](int fd, const std::string& temp) { return CopyContents(in, fd, temp); });
  ::close(in);
  return ok;
}

bool WriteNewFile(const std::string& path, const std::string& bytes, const std::string& modeLike, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = "Cannot create file \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  struct stat old {};
  if (!modeLike.empty() && ::stat(modeLike.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes.data(), bytes.size(), path) && SyncFile(fd, path);
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(path.c_str());
    if (error) *error = "Cannot write file \"" + path + "\": " + std::strerror(savedErrno);
  }
  return ok;
}

bool CopyToNewFile(const std::string& from, const std::string& to, std::string* error, int mode,
                   const CopyProgress& progress) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (error) *error = "Cannot open file \"" + from + "\": " + std::strerror(errno);
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode >= 0 ? 0600 : 0666);
  if (out < 0) {
    if (error) *error = "Cannot create file \"" + to + "\": " + std::strerror(errno);
    ::close(in);
    return false;
  }
  // Made private first: nobody may open it while it is wider than asked.
  if (mode >= 0) ::fchmod(out, static_cast<mode_t>(mode) & 07777);
  bool ok = CopyContents(in, out, to, progress) && SyncFile(out, to);
  int savedErrno = errno;
  if (::close(out) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  ::close(in);
  if (!ok) {
    ::unlink(to.c_str());
    if (error) *error = "Cannot write file \"" + to + "\": " + std::strerror(savedErrno);
  }
  return ok;
}

bool SyncDirectory(const std::string& directory) {
  const std::string dir = directory.empty() ? std::string(".") : directory;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  AtFileStep(FileStep::Fsync, dir);
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
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
