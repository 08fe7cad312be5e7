// Changes of several files that must stay together (a table and its index),
// the removal of temporary files that an interrupted run left behind, and
// rewriting a file in place where its folder cannot take a new name.
//
// A paired replacement writes every new file under a temporary name, then a
// small journal naming each temporary file and the file it replaces, then
// renames them all and removes the journal. A journal found later means the
// renames were cut short: since every new file was complete before the
// journal was written, the change is finished, never half undone.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orn {

// The journal of a paired replacement whose first file is `path`.
std::string ReplaceJournalPath(const std::string& path);

// Replaces every (path, bytes) pair, all in one folder, as one change. On
// failure before the renames, nothing is replaced and false is returned with
// `error` naming the file; a failure during the renames leaves the journal,
// so that FinishInterruptedReplaces completes the change.
bool ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files, std::string* error = nullptr);

// Completes every replacement in `directory` whose journal remains. False
// when one cannot be completed (its journal stays; `error` says why), or a
// journal names files it may not touch: only temporary names of this program
// beside plain names of the same folder are ever renamed.
bool FinishInterruptedReplaces(const std::string& directory, std::string* error = nullptr);

// Completes interrupted replacements, then removes the program's temporary
// files in `directory` that are older than the running process: those of a
// run that died, never those another run is writing now. Files of a
// replacement that could not be completed stay. Returns the number of files
// removed; each file that could not be removed adds a line to `problems`.
int RemoveStaleTemporaries(const std::string& directory, std::vector<std::string>* problems = nullptr);

// Rewrites `path` in place, for a file that may be written in a folder that
// may not: a copy of the old contents is kept in `copyDirectory` until the
// new contents are on the disk. On failure the old contents are written back;
// if even that fails, the copy stays and `error` names it.
bool WriteFileInPlace(const std::string& path, const std::string& bytes, const std::string& copyDirectory,
                      std::string* error = nullptr);

}  // namespace orn
