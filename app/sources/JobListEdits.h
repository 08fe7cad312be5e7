// Editing the job list from the main window: adding what the add-files
// window returned (folders walked, files and patterns kept) and removing
// grid rows together with their tables' companion files.
#pragma once

#include <string>
#include <vector>

namespace orn {

// Turns the add-files window's entries into job list entries: an existing
// folder gives every file below it (names beginning with '.' skipped), an
// existing file itself, a pattern ('*' or '?') itself; anything else
// nothing.
std::vector<std::string> ExpandAddedEntries(const std::vector<std::string>& entries);

// Appends each of `newEntries` that the list does not hold yet (compared
// trimmed and upper-cased). Returns how many were added.
int AddToJobList(std::vector<std::string>& jobList, const std::vector<std::string>& newEntries);

// One row of the main window's grid: the entry's file name (or pattern)
// under "File", its folder under "Path". Companion files have no row.
struct JobGridRow {
  std::string file;
  std::string path;
  std::size_t entry = 0;  // index in the job list
};
std::vector<JobGridRow> JobGridRows(const std::vector<std::string>& jobList);

// Removes the grid rows top..bottom (0-based, as JobGridRows numbers them):
// each row's entry, and every companion file of the same table. A list of
// at most one entry is emptied. Returns the row to select afterwards.
int RemoveJobGridRows(std::vector<std::string>& jobList, int top, int bottom);

}  // namespace orn
