// Turns the lines of FSpecArgs into the list of files to add: wildcard masks
// in the last part of a line, recursion per line, the root directory for
// relative lines, hidden files, exclusions, and the names the entries get.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <unordered_set>
#include <vector>

namespace orn::zipfmt {

class Reporter;

struct FileToAdd {
  std::string diskPath;    // what to open
  std::string storedName;  // UTF-8 with '/', directories end with '/'
  bool isDirectory = false;
  bool isLink = false;     // a symbolic link stored as such: its target is the data
  std::string linkTarget;  // with isLink
  std::uint64_t size = 0;
  std::time_t mtime = 0;
  mode_t mode = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  bool encrypt = false;
  std::string password;
};

struct CollectOptions {
  bool junkDirs = false;    // store the file name only
  bool hidden = false;      // include names beginning with '.'
  bool dirEntries = false;  // write separate directory entries
  bool force83 = false;     // short 8.3 names
  bool storeLinks = false;  // store symbolic links as links; else follow links to files
  std::vector<std::string> excludes;
};

class FileCollector {
 public:
  FileCollector(CollectOptions options, Reporter& reporter) : options_(std::move(options)), reporter_(reporter) {}

  // Adds the files of one line; returns how many it matched.
  std::size_t AddLine(const std::string& pattern, const std::string& rootDir, bool recurse, bool encrypt,
                      const std::string& password);

  std::vector<FileToAdd>& Files() { return files_; }

 private:
  void Walk(const std::string& dir, const std::string& storedDir, const std::string& mask, bool recurse,
            std::size_t& matched, const FileToAdd& proto);
  bool Excluded(const std::string& diskPath, const std::string& storedName) const;
  void Push(FileToAdd f, std::size_t& matched);

  CollectOptions options_;
  Reporter& reporter_;
  std::vector<FileToAdd> files_;
  std::unordered_set<std::string> names_;
};

// Helpers shared with the tests.
std::string NormalizeSeparators(std::string path);
// A relative stored name for `path`: no leading '/', no "." or ".." parts.
std::string StoredNameFor(const std::string& path);
std::string ShortDosName(const std::string& storedName);
bool HasWildcard(const std::string& s);

}  // namespace orn::zipfmt
