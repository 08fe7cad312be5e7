// The archive run: zips the run list into the temporary directory, then
// distributes the archive: the generation of today's slot in the archive
// directory, a dated unique save when one is due, a second copy to the plus
// path, floppies when asked. Every problem goes to the message log and the
// run goes on; what was made and what was not ends in a RunResult whose exit
// status a scheduler can act on.
//
// Data flow: Job -> run list (hook) -> checked snapshots of the tables
// (TableSnapshot) -> back-end Add into the temporary directory -> verified
// copies (RunFiles) -> job written (hook) -> result.
// The windows stay outside: progress, the floppy question and the floppy
// window reach them through RunObserver.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "DateTime.h"
#include "Job.h"
#include "MessageLog.h"
#include "Rclone.h"
#include "RemoteCopy.h"
#include "RunFiles.h"
#include "RunLeftovers.h"
#include "RunObserver.h"
#include "TableSnapshot.h"

namespace orn {

// Exit statuses of an unattended run.
enum RunExitStatus : int {
  kRunComplete = 0,      // the generation and every copy asked for were made
  kRunIncomplete = 1,    // the generation was made; a copy or a file was not
  kRunNoGeneration = 2,  // no generation was made; the previous ones stand
};

struct RunResult {
  int exitStatus = kRunNoGeneration;
  std::string generation;                 // full path of the generation (first file)
  std::vector<std::string> verified;      // every copy placed after reading it back
  std::string uniqueSave;                 // first file of the unique save, if made
  std::string plusCopy;                   // first file of the second copy, if made
  std::vector<std::string> tornTables;    // tables archived from a copy that failed its checks
  int problems = 0;                       // lines logged as problems
  std::vector<std::string> problemTexts;  // what they said, in order
  std::string logFile;                    // where the log lines went, if any
  std::string logFailure;                 // why the archive directory's log was not used
  std::string logFailureKey;              // its label name, and what follows the label
  std::string logFailureDetail;
  // One line for standard error: what was made, what was verified, how
  // many problems were logged, and where the log is when it is not in the
  // archive directory. Without texts in English, as scripts read it.
  std::string Summary() const;
  std::string Summary(const MessageTexts& texts) const;
};

class ArchiveRun {
 public:
  ArchiveRun(ArchiveBackend& backend, const MessageTexts& texts);

  void SetObserver(RunObserver* observer) { observer_ = observer ? observer : &defaultObserver_; }
  // "DOSHOWMESSAGES": problems are also shown in the message window.
  void SetShowMessages(bool show) { showMessages_ = show; }
  // Where the archive is made; DefaultTemporaryDirectory() unless set.
  void SetTemporaryDirectory(const std::string& directory);
  const std::string& TemporaryDirectory() const { return temporaryDirectory_; }
  // The run lowers the process priority as the design asks; tests turn it off.
  void SetLowerPriority(bool lower) { lowerPriority_ = lower; }
  // How long to wait for another run on the same temporary directory.
  void SetLockWait(int seconds) { lockWaitSeconds_ = seconds; }

  // Cleans the register and builds the run list (register files and the job
  // list's files); DefaultRunList unless set. An exception (an unknown
  // alias, an unreadable register) is logged and ends the run before
  // anything is zipped, with no generation made.
  std::function<std::vector<std::string>(const Job&)> buildRunList;
  // Stores the job at the end of the run (its new last archiving date). The
  // default writes the job file when the job has one.
  std::function<void(Job&)> writeJob;
  // Free space of a target directory; the file system's answer by default.
  FreeSpaceQuery freeSpace;
  // The second copy to an rclone remote ("NAME:path" as the plus path): the
  // program that reaches it and the time each upload may take.
  Rclone rclone;
  RemoteCopyOptions remoteCopy;
  // How a table whose copy fails its checks is copied again.
  TableCheckOptions tableChecks;

  // Runs the archive of `job`; its last archiving date changes only when a
  // unique save was made. Every failure is logged and shows in the result;
  // any problem logged makes a run with a generation incomplete.
  RunResult Run(Job& job);

 private:
  struct Targets;

  void PlanTargets(const Job& job, Targets& targets, MessageLog& log) const;
  bool Distribute(const Job& job, const Targets& targets, MessageLog& log, ProgressScope& progress, RunResult& result);
  void OfferFloppies(const Job& job);
  RemoteCopyOptions RemoteOptions();

  ArchiveBackend& backend_;
  const MessageTexts& texts_;
  RunObserver defaultObserver_;
  RunObserver* observer_ = &defaultObserver_;
  bool showMessages_ = false;
  bool lowerPriority_ = true;
  int lockWaitSeconds_ = kRunLockWaitSeconds;
  std::string temporaryDirectory_;
};

}  // namespace orn
