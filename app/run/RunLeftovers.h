// What keeps two runs and a killed run from hurting each other: a run waits
// for another run that holds its temporary directory, and before it writes
// anything it removes what a killed run left in the folders it writes to.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Job.h"

namespace orn {

class DirectoryLock;
class MessageLog;
class RunObserver;

// How long a run waits for another run on the same temporary directory
// before it gives up (the README names it).
constexpr int kRunLockWaitSeconds = 60 * 60;

// Waits up to `seconds` for `lock` on `directory` while another run holds
// it, telling the progress window why and letting pending window messages
// run. Returns what stands in the way when the lock is not held in the end:
// `busyText` and the folder when another run still holds it, the system's
// reason when the folder cannot be locked at all; empty when it is held.
std::string WaitForRunLock(DirectoryLock& lock, int seconds, RunObserver& observer, const std::string& busyText,
                           const std::string& directory);

// Holds the folders a run writes into for the length of the run: two runs
// with temporary directories of their own must not put sets in place in one
// folder at the same time, nor tidy up behind each other. A folder whose
// file system keeps no locks is written without one.
class RunFolderLocks {
 public:
  RunFolderLocks();
  ~RunFolderLocks();
  // Takes a lock on each of `folders` in the order of their paths, waiting
  // as WaitForRunLock does; a folder that is `held` (the temporary
  // directory, already locked) or one of the others under another name is
  // taken once. Returns what stands in the way, empty when all are held.
  std::string Take(std::vector<std::string> folders, const std::string& held, int seconds, RunObserver& observer,
                   const std::string& busyText);

 private:
  std::vector<std::unique_ptr<DirectoryLock>> locks_;
};

// The folders a run of `job` writes into: the archive directory, its unique
// folder, the plus path, the register's folder (the register is cleaned in
// place) and the job file's folder. Folders that do not exist are left out.
std::vector<std::string> RunTargetFolders(const Job& job);

// Completes interrupted changes together and removes the program's stale
// temporary files in every folder; each file that stays is logged.
void RemoveRunLeftovers(const std::vector<std::string>& folders, MessageLog& log);

// The folders of `files` that hold a change together which was cut short
// (a restore of a table with its companion files): the run must complete it
// before it archives what is there.
std::vector<std::string> FoldersWithInterruptedChanges(const std::vector<std::string>& files);

// A note of the job file's writer (written in place), logged as a warning.
void LogJobFileNote(const std::string& note, MessageLog& log);

}  // namespace orn
