#include "FileReplace.h"

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
constexpr char kJournalHeader[] = "ORN PAIRED REPLACE";

std::string FolderOf(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  return dir.empty() ? std::string("./") : dir;
}

bool IsJournalName(const std::string& name) { return name.rfind(kJournalPrefix, 0) == 0; }

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find(kPathDelim) == std::string::npos &&
         name.find('\n') == std::string::npos && name.find('\t') == std::string::npos;
}

// A temporary name of this program standing for `finalName`: ".~orn-" +
// eight hex digits + "." + the final name.
bool IsTemporaryNameFor(const std::string& temp, const std::string& finalName) {
  const std::string prefix = ".~orn-";
  if (temp.size() != prefix.size() + 9 + finalName.size() || temp.rfind(prefix, 0) != 0) return false;
  for (size_t i = prefix.size(); i < prefix.size() + 8; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(temp[i]))) return false;
  return temp[prefix.size() + 8] == '.' && temp.compare(prefix.size() + 9, std::string::npos, finalName) == 0;
}

struct JournalEntry {
  std::string temp;
  std::string target;
};

bool ParseJournal(const std::string& text, std::vector<JournalEntry>& entries) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kJournalHeader) return false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto tab = line.find('\t');
    if (tab == std::string::npos) return false;
    JournalEntry e{line.substr(0, tab), line.substr(tab + 1)};
    if (!IsPlainName(e.target) || IsTemporaryName(e.target) || !IsTemporaryNameFor(e.temp, e.target)) return false;
    entries.push_back(std::move(e));
  }
  return !entries.empty();
}

bool FinishJournal(const std::string& dir, const std::string& journalName, std::string* error) {
  const std::string journal = dir + journalName;
  std::string readError;
  auto text = ReadWholeFile(journal, &readError);
  std::vector<JournalEntry> entries;
  if (!text || !ParseJournal(*text, entries)) {
    if (error)
      *error = "An interrupted change in \"" + dir + "\" cannot be completed: its journal \"" + journal +
               "\" is damaged or names files outside the program's own temporary files; check the tables of the "
               "folder, then remove the journal";
    return false;
  }
  for (const JournalEntry& e : entries) {
    const std::string temp = dir + e.temp;
    struct stat st {};
    if (::lstat(temp.c_str(), &st) != 0) continue;  // renamed before the interruption
    if (!S_ISREG(st.st_mode) || !RenameFile(temp, dir + e.target)) {
      if (error)
        *error = "An interrupted change of \"" + dir + e.target + "\" cannot be completed: " + std::strerror(errno);
      return false;
    }
  }
  SyncDirectory(dir);
  ::unlink(journal.c_str());
  return true;
}

}  // namespace

std::string ReplaceJournalPath(const std::string& path) {
  return ExtractFilePath(path) + kJournalPrefix + ExtractFileName(path);
}

bool ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files, std::string* error) {
  if (files.empty()) return true;
  const std::string dir = FolderOf(files.front().first);
  for (const auto& f : files)
    if (FolderOf(f.first) != dir || !IsPlainName(ExtractFileName(f.first))) {
      if (error) *error = "Cannot replace \"" + f.first + "\" together with \"" + files.front().first + "\"";
      return false;
    }

  std::vector<std::string> temps;
  auto dropTemps = [&] {
    for (const std::string& t : temps) ::unlink(t.c_str());
  };
  std::string journalText = std::string(kJournalHeader) + "\n";
  for (const auto& [path, bytes] : files) {
    temps.push_back(TemporaryNameBeside(path));
    if (!WriteNewFile(temps.back(), bytes, path, error)) {
      temps.pop_back();
      dropTemps();
      if (error) *error = "Cannot write \"" + path + "\": " + *error;
      return false;
    }
    journalText += ExtractFileName(temps.back()) + "\t" + ExtractFileName(path) + "\n";
  }

  // From the moment the journal is on the disk, the change is finished even
  // if the program dies during the renames.
  const std::string journal = ReplaceJournalPath(files.front().first);
  if (!WriteFileAtomically(journal, journalText, error)) {
    dropTemps();
    return false;
  }
  // Some network file systems cannot flush a folder; the change still goes
  // on there, with the ordering the server gives.
  SyncDirectory(dir);
  for (size_t i = 0; i < files.size(); ++i)
    if (!RenameFile(temps[i], files[i].first)) {
      if (error) *error = "Cannot replace \"" + files[i].first + "\": " + std::strerror(errno);
      return false;
    }
  SyncDirectory(dir);
  ::unlink(journal.c_str());
  return true;
}

bool FinishInterruptedReplaces(const std::string& directory, std::string* error) {
  const std::string dir = IncludeTrailingDelimiter(directory.empty() ? "." : directory);
  bool ok = true;
  for (const FoundFile& f : FindFiles(dir, std::string(kJournalPrefix) + "*", FindWhat::Files))
    if (IsJournalName(f.name) && !FinishJournal(dir, f.name, error)) ok = false;
  return ok;
}

int RemoveStaleTemporaries(const std::string& directory, std::vector<std::string>* problems) {
  const std::string dir = IncludeTrailingDelimiter(directory.empty() ? "." : directory);
  std::string error;
  if (!FinishInterruptedReplaces(dir, &error)) {
    // The unfinished change still needs its temporary files.
    if (problems) problems->push_back(error);
    return 0;
  }
  const double start = ProcessStartTime();
  int removed = 0;
  for (const FoundFile& f : FindFiles(dir, "*", FindWhat::Files)) {
    if (!IsTemporaryName(f.name) || IsJournalName(f.name)) continue;
    const std::string path = dir + f.name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const double mtime = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
    if (mtime >= start) continue;  // written by a run that is alive now
    if (::unlink(path.c_str()) == 0)
      ++removed;
    else if (problems)
      problems->push_back("Cannot remove the leftover file \"" + path + "\": " + std::strerror(errno));
  }
  return removed;
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
