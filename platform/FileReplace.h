// Changes of several files that must stay together (a table and its index,
// the volumes of a set, a restored table with its companion files), the
// removal of temporary files that an interrupted run left behind, and
// rewriting a file in place where its folder cannot take a new name.
//
// A change together writes every new file under a temporary name beside
// the file it replaces, then a small journal naming each temporary file and
// the file it replaces (and the files that go with the change), then renames
// them all, removes what goes, and removes the journal. A complete journal
// found later means the renames were cut short: since every new file was
// complete before the journal was written, the change is finished, never
// half undone. A change cut short before its journal was complete is rolled
// back: its temporary files are removed and the old files stand.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orn {

// A file written under one of the program's temporary names (full path)
// and the file of the same folder it is to replace (full path).
struct PreparedFile {
  std::string temp;
  std::string target;
};

// Puts every prepared file in place as one change and removes `removals`
// with it. Everything is in one folder; a removal must be another volume of
// a target (a name that differs from a target's only in its digits), as when
// a shorter volume set replaces a longer one. On failure before the journal
// is on the disk nothing is replaced, the temporary files are removed and
// false is returned with `error` naming the file; a failure during the
// renames leaves the journal, so that FinishInterruptedReplaces completes the
// change.
bool PutInPlaceTogether(const std::vector<PreparedFile>& files, const std::vector<std::string>& removals,
                        std::string* error = nullptr);
// The same in the folder open as `dirFd` (`dirName` names it in messages),
// with plain names in that folder: for code that walks folders by handle.
bool PutInPlaceTogetherAt(int dirFd, const std::string& dirName, const std::vector<PreparedFile>& files,
                          const std::vector<std::string>& removals, std::string* error = nullptr);

// Replaces every (path, bytes) pair, all in one folder, as one change: each
// new file is written under a temporary name, then PutInPlaceTogether.
bool ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files, std::string* error = nullptr);

// Completes every change in `directory` whose complete journal remains and
// whose writer is gone, and drops the journals that were cut short while
// being written. False when one cannot be completed (its journal stays;
// `error` says why), or a journal names files it may not touch: only
// temporary names of this program beside plain names of the same folder are
// ever renamed, and only other volumes of those names removed.
bool FinishInterruptedReplaces(const std::string& directory, std::string* error = nullptr);
bool FinishInterruptedReplacesAt(int dirFd, const std::string& dirName, std::string* error = nullptr);

// Completes interrupted changes, then removes the program's temporary files
// in `directory` whose writers are gone (IsStaleTemporaryAt): those of a run
// that died, never those another run is writing now. Files of a change that
// could not be completed stay. Returns the number of files removed; each
// file that could not be removed adds a line to `problems`.
int RemoveStaleTemporaries(const std::string& directory, std::vector<std::string>* problems = nullptr);
int RemoveStaleTemporariesAt(int dirFd, const std::string& dirName, std::vector<std::string>* problems = nullptr);

// Rewrites `path` in place, for a file that may be written in a folder that
// may not: a copy of the old contents is kept in `copyDirectory` until the
// new contents are on the disk. On failure the old contents are written back;
// if even that fails, the copy stays and `error` names it.
bool WriteFileInPlace(const std::string& path, const std::string& bytes, const std::string& copyDirectory,
                      std::string* error = nullptr);

}  // namespace orn
