// The run list: the existing files an archive run hands to the zip engine,
// made of the register list with the job list merged in and the job list's
// patterns searched.
#pragma once

#include <string>
#include <vector>

namespace orn {

// True when `entry` is a wildcard pattern ('*' or '?').
bool IsPattern(const std::string& entry);

// What the gathering step could not take, for the run's log: a backup that
// silently leaves out a file the user listed is a failure reported as
// success. A pattern that matches nothing in an existing folder is no
// problem; a pattern whose folder is gone is.
struct RunListProblems {
  std::string cleaning;                     // why the register was not cleaned
  std::vector<std::string> missingFiles;    // job list entries that are no file
  std::vector<std::string> missingFolders;  // folders of job list patterns
  std::vector<std::string> missingTables;   // tables the register archives
  bool Any() const {
    return !cleaning.empty() || !missingFiles.empty() || !missingFolders.empty() || !missingTables.empty();
  }
};

// Merges `jobList` into `registerList` (entries not yet there, compared
// trimmed and upper-cased, are appended) and returns the run list: the files
// matching each pattern of the job list, then every entry of the merged
// register list that names an existing file. Missing entries are left out
// and, when `problems` is given, named there; duplicates are kept.
std::vector<std::string> BuildRunList(std::vector<std::string>& registerList, const std::vector<std::string>& jobList,
                                      RunListProblems* problems = nullptr);

// The whole gathering step of an archive run: clean the register, build the
// register list and the run list. `registerList` receives the register list
// when given. A register that cannot be cleaned (read-only, locked, an old
// format) is still archived: its records with an empty Fail are passed
// over, and `problems` (when given) receives the reason, for the log, with
// the job list's entries and the register's tables that could not be found.
// Throws TableError before anything is zipped when the register the job
// names is missing or cannot be read, or an alias is wrong.
std::vector<std::string> CollectRunFiles(const std::string& registerPath, const std::vector<std::string>& jobList,
                                         std::vector<std::string>* registerList = nullptr,
                                         RunListProblems* problems = nullptr);

}  // namespace orn
