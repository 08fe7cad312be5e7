#include "RunLeftovers.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "DialogService.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "MessageLog.h"
#include "RunFiles.h"
#include "RunObserver.h"

namespace orn {

namespace {
bool Wait(DirectoryLock& lock, int seconds, RunObserver& observer) {
  if (lock.TryAgain()) return true;
  if (seconds <= 0 || !lock.WorthWaiting()) return false;
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::seconds(seconds);
  observer.SetTitle("WAITING");
  observer.SetFileName("Another run is working; waiting " + std::to_string((seconds + 59) / 60) + " min at most");
  while (Clock::now() < until) {
    observer.ProcessMessages();
    if (lock.TryAgain()) return true;
    if (!lock.WorthWaiting()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return lock.TryAgain();
}
}  // namespace

std::string WaitForRunLock(DirectoryLock& lock, int seconds, RunObserver& observer, const std::string& busyText,
                           const std::string& directory) {
  if (Wait(lock, seconds, observer)) return {};
  if (lock.WorthWaiting()) return busyText + " \"" + directory + "\"";
  return "The temporary directory \"" + directory + "\" cannot be locked for the run: " + std::strerror(lock.Error());
}

RunFolderLocks::RunFolderLocks() = default;
RunFolderLocks::~RunFolderLocks() = default;

std::string RunFolderLocks::Take(std::vector<std::string> folders, const std::string& held, int seconds,
                                 RunObserver& observer, const std::string& busyText) {
  // One order for every run, so that two runs never wait for each other.
  std::sort(folders.begin(), folders.end());
  std::set<std::pair<dev_t, ino_t>> taken;
  struct stat st {};
  if (::stat(held.c_str(), &st) == 0) taken.insert({st.st_dev, st.st_ino});
  for (const std::string& folder : folders) {
    if (::stat(folder.c_str(), &st) != 0 || !taken.insert({st.st_dev, st.st_ino}).second) continue;
    auto lock = std::make_unique<DirectoryLock>(folder);
    if (!lock->Held() && !lock->WorthWaiting()) continue;  // no locks on this file system
    std::string why = WaitForRunLock(*lock, seconds, observer, busyText, folder);
    if (!why.empty()) return why;
    locks_.push_back(std::move(lock));
  }
  return {};
}

std::vector<std::string> RunTargetFolders(const Job& job) {
  std::vector<std::string> candidates;
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  candidates.push_back(archiveDir);
  if (!job.uniqueFolder.empty()) candidates.push_back(archiveDir + job.uniqueFolder + kPathDelim);
  candidates.push_back(IncludeTrailingDelimiter(job.plusPath));
  // A file named without a folder is in the current one.
  auto folderOf = [](const std::string& file) {
    const std::string dir = ExtractFilePath(file);
    return dir.empty() ? std::string(".") + kPathDelim : dir;
  };
  if (!job.registerFile.empty()) candidates.push_back(folderOf(job.registerFile));
  if (job.IsOpen()) candidates.push_back(folderOf(job.jobFilePath));
  std::vector<std::string> folders;
  for (const std::string& c : candidates) {
    if (c.empty() || !DirectoryExists(c)) continue;
    bool known = false;
    for (const std::string& f : folders) known = known || f == c;
    if (!known) folders.push_back(c);
  }
  return folders;
}

void RemoveRunLeftovers(const std::vector<std::string>& folders, MessageLog& log) {
  for (const std::string& folder : folders) {
    std::vector<std::string> problems;
    if (int removed = RemoveStaleTemporaries(folder, &problems))
      Diagnostic("Removed " + std::to_string(removed) + " file" + (removed == 1 ? "" : "s") +
                 " left by an interrupted run from \"" + folder + "\"");
    for (const std::string& p : problems) log.Error(p);
  }
}

std::vector<std::string> FoldersWithInterruptedChanges(const std::vector<std::string>& files) {
  std::set<std::string> seen;
  std::vector<std::string> folders;
  for (const std::string& f : files) {
    const std::string dir = ExtractFilePath(f);
    if (dir.empty() || !seen.insert(dir).second) continue;
    if (!FindFiles(dir, ".~orn-journal.*", FindWhat::Files).empty()) folders.push_back(dir);
  }
  return folders;
}

void LogJobFileNote(const std::string& note, MessageLog& log) {
  if (!note.empty()) log.Log(log.Texts().Text("msg_Warning"), note, false);
}

}  // namespace orn
