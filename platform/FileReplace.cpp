#include "FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "FileSystem.h"

namespace orn {

namespace {

constexpr char kJournalPrefix[] = ".~orn-journal.";
// Journals of earlier versions: always complete, as they were renamed into
// place, and without removals.
constexpr char kJournalHeaderV1[] = "ORN PAIRED REPLACE";
// Written in place under a name of their own, so complete only with the end line.
constexpr char kJournalHeader[] = "ORN PAIRED REPLACE 2";
constexpr char kJournalEnd[] = "END";

// Closes a descriptor on every path.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

std::string FolderOf(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  return dir.empty() ? std::string("./") : dir;
}

bool IsJournalName(const std::string& name) { return name.rfind(kJournalPrefix, 0) == 0; }

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find(kPathDelim) == std::string::npos &&
         name.find('\n') == std::string::npos && name.find('\t') == std::string::npos;
}

// Another volume of `target`: the same name but for some of its digits.
bool IsOtherVolumeOf(const std::string& name, const std::string& target) {
  if (name.size() != target.size() || name == target) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (name[i] != target[i] &&
        !(std::isdigit(static_cast<unsigned char>(name[i])) && std::isdigit(static_cast<unsigned char>(target[i]))))
      return false;
  return true;
}

struct Journal {
  std::vector<PreparedFile> renames;  // plain names in the journal's folder
  std::vector<std::string> removals;
};

enum class JournalState { Complete, CutShort, Damaged };

bool MayRename(const PreparedFile& f) {
  return IsPlainName(f.target) && !IsTemporaryName(f.target) && FinalNameOfTemporary(f.temp) == f.target;
}

bool MayRemove(const std::string& name, const std::vector<PreparedFile>& renames) {
  if (!IsPlainName(name) || IsTemporaryName(name)) return false;
  for (const PreparedFile& f : renames)
    if (IsOtherVolumeOf(name, f.target)) return true;
  return false;
}

JournalState ParseJournal(const std::string& text, Journal& journal) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) return JournalState::CutShort;
  const bool current = line == kJournalHeader;
  if (!current && line != kJournalHeaderV1) return JournalState::Damaged;
  bool ended = !current;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (current && line == kJournalEnd) {
      ended = true;
      break;
    }
    auto tab = line.find('\t');
    if (tab == std::string::npos) return current ? JournalState::CutShort : JournalState::Damaged;
    if (tab == 0 && current)
      journal.removals.push_back(line.substr(1));
    else
      journal.renames.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  if (!ended) return JournalState::CutShort;
  if (journal.renames.empty()) return JournalState::Damaged;
  for (const PreparedFile& f : journal.renames)
    if (!MayRename(f)) return JournalState::Damaged;
  for (const std::string& r : journal.removals)
    if (!MayRemove(r, journal.renames)) return JournalState::Damaged;
  return JournalState::Complete;
}

std::string JournalText(const std::vector<PreparedFile>& files, const std::vector<std::string>& removals) {
  std::string text = std::string(kJournalHeader) + "\n";
  for (const PreparedFile& f : files) text += f.temp + "\t" + f.target + "\n";
  for (const std::string& r : removals) text += "\t" + r + "\n";
  return text + kJournalEnd + "\n";
}

bool SyncFolder(int dirFd, const std::string& dirName) {
  AtFileStep(FileStep::Fsync, dirName);
  return ::fsync(dirFd) == 0;
}

bool WriteJournal(int dirFd, const std::string& dirName, const std::string& name, const std::string& text) {
  Fd fd(::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.fd < 0) return false;
  const std::string path = dirName + name;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    AtFileStep(FileStep::Write, path);
    ssize_t n = ::write(fd.fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  if (ok) {
    AtFileStep(FileStep::Fsync, path);
    ok = ::fsync(fd.fd) == 0;
  }
  if (!ok) {
    const int saved = errno;
    ::unlinkat(dirFd, name.c_str(), 0);
    errno = saved;
  }
  return ok;
}

bool RenameAt(int dirFd, const std::string& dirName, const std::string& from, const std::string& to) {
  AtFileStep(FileStep::Rename, dirName + to);
  return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0;
}

bool RemoveAt(int dirFd, const std::string& dirName, const std::string& name) {
  AtFileStep(FileStep::Remove, dirName + name);
  return ::unlinkat(dirFd, name.c_str(), 0) == 0 || errno == ENOENT;
}

// The renames and removals of a journal, from where they were cut short.
bool Apply(int dirFd, const std::string& dirName, const Journal& journal, std::string* error) {
  for (const PreparedFile& f : journal.renames) {
    struct stat st {};
    if (::fstatat(dirFd, f.temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // renamed before
    if (!S_ISREG(st.st_mode) || !RenameAt(dirFd, dirName, f.temp, f.target)) {
      if (error) *error = "Cannot replace \"" + dirName + f.target + "\": " + std::strerror(errno);
      return false;
    }
  }
  for (const std::string& r : journal.removals)
    if (!RemoveAt(dirFd, dirName, r)) {
      if (error) *error = "Cannot remove \"" + dirName + r + "\": " + std::strerror(errno);
      return false;
    }
  return true;
}

std::optional<std::string> ReadAt(int dirFd, const std::string& name) {
  Fd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.fd < 0) return std::nullopt;
  std::string text;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    text.append(buf, static_cast<size_t>(n));
  }
}

// The journal stands for the temporary name of the change's first file;
// while the writer of that change runs, the journal is its own.
bool JournalWriterAlive(int dirFd, const std::string& name) {
  const std::string asTemporary = ".~orn-" + name.substr(sizeof kJournalPrefix - 1);
  if (!HasTemporaryOwner(asTemporary)) return false;
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return TemporaryOwnerAlive(asTemporary, static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9,
                             static_cast<double>(st.st_ctim.tv_sec) + st.st_ctim.tv_nsec / 1e9);
}

bool FinishJournal(int dirFd, const std::string& dirName, const std::string& name, std::string* error) {
  if (JournalWriterAlive(dirFd, name)) return true;
  std::optional<std::string> text = ReadAt(dirFd, name);
  Journal journal;
  JournalState state = text ? ParseJournal(*text, journal) : JournalState::Damaged;
  if (state == JournalState::CutShort) {
    // The change never began: its temporary files go as leftovers.
    RemoveAt(dirFd, dirName, name);
    return true;
  }
  if (state == JournalState::Damaged) {
    if (error)
      *error = "An interrupted change in \"" + dirName + "\" cannot be completed: its journal \"" + dirName + name +
               "\" is damaged or names files outside the program's own temporary files; check the files of the "
               "folder, then remove the journal";
    return false;
  }
  if (!Apply(dirFd, dirName, journal, error)) return false;
  SyncFolder(dirFd, dirName);
  RemoveAt(dirFd, dirName, name);
  return true;
}

std::vector<std::string> NamesIn(int dirFd) {
  std::vector<std::string> names;
  int fd = ::dup(dirFd);
  DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!d) {
    if (fd >= 0) ::close(fd);
    return names;
  }
  ::rewinddir(d);
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

int OpenFolder(const std::string& dir) { return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

}  // namespace

bool PutInPlaceTogetherAt(int dirFd, const std::string& dirName, const std::vector<PreparedFile>& files,
                          const std::vector<std::string>& removals, std::string* error) {
  auto dropTemps = [&] {
    const int saved = errno;
    for (const PreparedFile& f : files) ::unlinkat(dirFd, f.temp.c_str(), 0);
    errno = saved;
  };
  if (files.empty()) return true;
  for (const PreparedFile& f : files)
    if (!MayRename(f)) {
      if (error) *error = "Cannot replace \"" + dirName + f.target + "\" together with the other files";
      dropTemps();
      return false;
    }
  for (const std::string& r : removals)
    if (!MayRemove(r, files)) {
      if (error) *error = "Cannot remove \"" + dirName + r + "\" together with the files that replace it";
      dropTemps();
      return false;
    }
  if (files.size() == 1 && removals.empty()) {
    // One rename is a change of its own; no journal is needed.
    if (!RenameAt(dirFd, dirName, files.front().temp, files.front().target)) {
      if (error) *error = "Cannot replace \"" + dirName + files.front().target + "\": " + std::strerror(errno);
      dropTemps();
      return false;
    }
    SyncFolder(dirFd, dirName);
    return true;
  }

  // From the moment the complete journal is on the disk, the change is
  // finished even if the program dies during the renames.
  const std::string journal = kJournalPrefix + files.front().temp.substr(sizeof ".~orn-" - 1);
  if (!WriteJournal(dirFd, dirName, journal, JournalText(files, removals))) {
    if (error) *error = "Cannot write \"" + dirName + journal + "\": " + std::strerror(errno);
    dropTemps();
    return false;
  }
  // Some network file systems cannot flush a folder; the change still goes
  // on there, with the ordering the server gives.
  SyncFolder(dirFd, dirName);
  if (!Apply(dirFd, dirName, Journal{files, removals}, error)) return false;
  SyncFolder(dirFd, dirName);
  RemoveAt(dirFd, dirName, journal);
  return true;
}

bool PutInPlaceTogether(const std::vector<PreparedFile>& files, const std::vector<std::string>& removals,
                        std::string* error) {
  if (files.empty()) return true;
  const std::string dir = FolderOf(files.front().target);
  std::vector<PreparedFile> names;
  bool sameFolder = true;
  for (const PreparedFile& f : files) {
    sameFolder = sameFolder && FolderOf(f.temp) == dir && FolderOf(f.target) == dir;
    names.push_back({ExtractFileName(f.temp), ExtractFileName(f.target)});
  }
  std::vector<std::string> removed;
  for (const std::string& r : removals) {
    sameFolder = sameFolder && FolderOf(r) == dir;
    removed.push_back(ExtractFileName(r));
  }
  Fd fd(sameFolder ? OpenFolder(dir) : -1);
  if (fd.fd < 0) {
    if (error)
      *error = sameFolder ? "Cannot open the folder \"" + dir + "\": " + std::strerror(errno)
                          : "Cannot replace \"" + files.front().target + "\" together with files of another folder";
    for (const PreparedFile& f : files) ::unlink(f.temp.c_str());
    return false;
  }
  return PutInPlaceTogetherAt(fd.fd, dir, names, removed, error);
}

bool ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files, std::string* error) {
  if (files.empty()) return true;
  const std::string dir = FolderOf(files.front().first);
  for (const auto& f : files)
    if (FolderOf(f.first) != dir || !IsPlainName(ExtractFileName(f.first))) {
      if (error) *error = "Cannot replace \"" + f.first + "\" together with \"" + files.front().first + "\"";
      return false;
    }

  std::vector<PreparedFile> prepared;
  for (const auto& [path, bytes] : files) {
    const std::string temp = TemporaryNameBeside(path, prepared.empty() ? std::string() : prepared.front().temp);
    if (!WriteNewFile(temp, bytes, path, error)) {
      for (const PreparedFile& p : prepared) ::unlink(p.temp.c_str());
      if (error) *error = "Cannot write \"" + path + "\": " + *error;
      return false;
    }
    prepared.push_back({temp, path});
  }
  return PutInPlaceTogether(prepared, {}, error);
}

bool FinishInterruptedReplacesAt(int dirFd, const std::string& dirName, std::string* error) {
  bool ok = true;
  for (const std::string& name : NamesIn(dirFd))
    if (IsJournalName(name) && !FinishJournal(dirFd, dirName, name, error)) ok = false;
  return ok;
}

bool FinishInterruptedReplaces(const std::string& directory, std::string* error) {
  const std::string dir = IncludeTrailingDelimiter(directory.empty() ? "." : directory);
  Fd fd(OpenFolder(dir));
  if (fd.fd < 0) return true;  // nothing there to finish
  return FinishInterruptedReplacesAt(fd.fd, dir, error);
}

int RemoveStaleTemporariesAt(int dirFd, const std::string& dirName, std::vector<std::string>* problems) {
  std::string error;
  if (!FinishInterruptedReplacesAt(dirFd, dirName, &error)) {
    // The unfinished change still needs its temporary files.
    if (problems) problems->push_back(error);
    return 0;
  }
  int removed = 0;
  for (const std::string& name : NamesIn(dirFd)) {
    // A journal still there belongs to a change at work now.
    if (IsJournalName(name) || !IsStaleTemporaryAt(dirFd, name)) continue;
    if (::unlinkat(dirFd, name.c_str(), 0) == 0)
      ++removed;
    else if (problems)
      problems->push_back("Cannot remove the leftover file \"" + dirName + name + "\": " + std::strerror(errno));
  }
  return removed;
}

int RemoveStaleTemporaries(const std::string& directory, std::vector<std::string>* problems) {
  const std::string dir = IncludeTrailingDelimiter(directory.empty() ? "." : directory);
  Fd fd(OpenFolder(dir));
  if (fd.fd < 0) return 0;
  return RemoveStaleTemporariesAt(fd.fd, dir, problems);
}

bool WriteFileInPlace(const std::string& path, const std::string& bytes, const std::string& copyDirectory,
                      std::string* error) {
  std::string readError;
  auto old = ReadWholeFile(path, &readError);
  if (!old) {
    if (error) *error = readError;
    return false;
  }
  const std::string copy = TemporaryNameBeside(IncludeTrailingDelimiter(copyDirectory) + ExtractFileName(path));
  if (!WriteNewFile(copy, *old, path, error)) return false;

  auto rewrite = [&path](const std::string& contents) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < contents.size()) {
      AtFileStep(FileStep::Write, path);
      ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        ok = false;
      else
        done += static_cast<size_t>(n);
    }
    if (ok) ok = ::ftruncate(fd, static_cast<off_t>(contents.size())) == 0;
    AtFileStep(FileStep::Fsync, path);
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok;
  };
  if (rewrite(bytes)) {
    ::unlink(copy.c_str());
    return true;
  }
  const std::string why = std::strerror(errno);
  if (rewrite(*old)) {
    ::unlink(copy.c_str());
    if (error) *error = "Cannot write file \"" + path + "\": " + why;
  } else if (error) {
    *error = "Cannot write file \"" + path + "\": " + why + "; its previous contents are kept in \"" + copy + "\"";
  }
  return false;
}

}  // namespace orn
