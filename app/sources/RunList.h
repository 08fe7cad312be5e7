// The run list: the existing files an archive run hands to the zip engine,
// made of the register list with the job list merged in and the job list's
// patterns searched.
#pragma once

#include <string>
#include <vector>

namespace orn {

// True when `entry` is a wildcard pattern ('*' or '?').
bool IsPattern(const std::string& entry);

// Merges `jobList` into `registerList` (entries not yet there, compared
// trimmed and upper-cased, are appended) and returns the run list: the files
// matching each pattern of the job list, then every entry of the merged
// register list that names an existing file. Missing entries are left out;
// duplicates are kept.
std::vector<std::string> BuildRunList(std::vector<std::string>& registerList, const std::vector<std::string>& jobList);

// The whole gathering step of an archive run: clean the register, build the
// register list and the run list. `registerList` receives the register list
// when given. A register that cannot be cleaned (read-only, locked, an old
// format) is still archived: its records with an empty Fail are passed
// over, and `cleaningProblem` (when given) receives the reason, for the log.
// Throws TableError before anything is zipped when the register cannot be
// read or an alias is wrong.
std::vector<std::string> CollectRunFiles(const std::string& registerPath, const std::vector<std::string>& jobList,
                                         std::vector<std::string>* registerList = nullptr,
                                         std::string* cleaningProblem = nullptr);

}  // namespace orn
