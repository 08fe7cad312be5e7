#include "JobListEdits.h"

#include <algorithm>
#include <set>

#include "CompanionFiles.h"
#include "FileSystem.h"
#include "RunList.h"

namespace orn {

namespace {

void WalkFolder(const std::string& dir, std::vector<std::string>& out, std::set<std::string>& visited) {
  // A folder reached twice (through a link) is walked once.
  if (!visited.insert(dir).second) return;
  for (const auto& f : FindFiles(dir, "*", FindWhat::Both)) {
    if (f.name.empty() || f.name[0] == '.') continue;
    if (f.isDirectory)
      WalkFolder(IncludeTrailingDelimiter(dir + f.name), out, visited);
    else
      out.push_back(dir + f.name);
  }
}

}  // namespace

std::vector<std::string> ExpandAddedEntries(const std::vector<std::string>& entries) {
  std::vector<std::string> out;
  for (const auto& entry : entries) {
    if (DirectoryExists(entry)) {
      std::set<std::string> visited;
      WalkFolder(IncludeTrailingDelimiter(entry), out, visited);
    } else if (FileExists(entry)) {
      out.push_back(entry);
    } else if (IsPattern(entry)) {
      out.push_back(entry);
    }
  }
  return out;
}

int AddToJobList(std::vector<std::string>& jobList, const std::vector<std::string>& newEntries) {
  std::set<std::string> known;
  for (const auto& e : jobList) known.insert(ListKey(e));
  int added = 0;
  for (const auto& e : newEntries) {
    if (!known.insert(ListKey(e)).second) continue;
    jobList.push_back(e);
    ++added;
  }
  return added;
}

std::vector<JobGridRow> JobGridRows(const std::vector<std::string>& jobList) {
  std::vector<JobGridRow> rows;
  for (std::size_t i = 0; i < jobList.size(); ++i) {
    if (IsCompanionFile(jobList[i])) continue;
    rows.push_back({ExtractFileName(jobList[i]), ExtractFilePath(jobList[i]), i});
  }
  return rows;
}

int RemoveJobGridRows(std::vector<std::string>& jobList, int top, int bottom) {
  const int reselect = std::max(top - 1, 0);
  if (jobList.size() <= 1) {
    jobList.clear();
    return reselect;
  }
  const auto rows = JobGridRows(jobList);
  std::vector<std::string> toRemove;
  for (int r = std::min(bottom, static_cast<int>(rows.size()) - 1); r >= std::max(top, 0); --r)
    toRemove.push_back(rows[r].path + rows[r].file);
  for (const auto& entry : toRemove) {
    const std::string key = ListKey(entry);
    const std::string table = ListKey(WithoutExtension(entry));
    jobList.erase(std::remove_if(jobList.begin(), jobList.end(),
                                 [&](const std::string& item) {
                                   return ListKey(item) == key ||
                                          (IsCompanionFile(item) && ListKey(WithoutExtension(item)) == table);
                                 }),
                  jobList.end());
  }
  return reselect;
}

}  // namespace orn
