// What keeps two runs and a killed run from hurting each other: a run waits
// for another run that holds its temporary directory, and before it writes
// anything it removes what a killed run left in the folders it writes to.
#pragma once

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

// The folders a run of `job` writes into: the archive directory, its unique
// folder, the plus path, the register's folder (the register is cleaned in
// place) and the job file's folder. Folders that do not exist are left out.
std::vector<std::string> RunTargetFolders(const Job& job);

// Completes interrupted paired changes and removes the program's stale
// temporary files in every folder; each file that stays is logged.
void RemoveRunLeftovers(const std::vector<std::string>& folders, MessageLog& log);

// A note of the job file's writer (written in place), logged as a warning.
void LogJobFileNote(const std::string& note, MessageLog& log);

}  // namespace orn
