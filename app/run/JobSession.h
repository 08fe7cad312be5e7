// The job session: everything the program decides about the open job, with
// or without a window. It holds the job and the command line's pending
// command, says what the job may do now, runs the archive run and the
// restores over the archive back-end, and decides the status the program
// ends with. Whoever is in front of it (the main window, or a terminal or
// nobody at all) only shows what it reports and answers its questions
// through SessionFront.
//
// Data flow: command line -> StartupCommand -> JobSession (job read, the
// 3000 ms start delay kept by the front) -> ChooseCommand -> ArchiveRun or
// Extraction over the back-end -> RunResult / ExtractResult -> exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "ArchiveRun.h"
#include "CommandLine.h"
#include "Extraction.h"
#include "Job.h"
#include "JobCommands.h"
#include "MessageLog.h"
#include "RunObserver.h"

namespace orn {

// What the person in front of a session sees and answers during a job. The
// main window answers with its windows; an unattended run answers from its
// command line and, when there is one, from the terminal.
class SessionFront {
 public:
  virtual ~SessionFront() = default;
  // The progress window, a terminal's progress line, or nothing.
  virtual RunObserver& Progress() = 0;
  // The message texts in the language the person reads.
  virtual const MessageTexts& Texts() const = 0;
  // The archive a restore reads when the command line names none; empty
  // for none (the chooser closed).
  virtual std::string ChooseArchive(const Job& job) = 0;
  // The file chooser of a restore of chosen files; false when cancelled.
  virtual bool ChooseFiles(FileChooserModel& model) = 0;
  // Files that exist would be replaced: true to replace them.
  virtual bool ConfirmOverwrite(const std::vector<std::string>& existing) = 0;
  // False when nobody can answer ConfirmOverwrite: files that exist are then
  // kept, as with "--overwrite never", and the rest is restored.
  virtual bool CanAsk() const { return true; }
  // Settings of an archive run before it starts.
  virtual void ConfigureRun(ArchiveRun& /*run*/) {}
};

// A restore as the command line asks for it; empty fields leave the choice
// to the front.
struct RestoreRequest {
  std::string archiveName;         // "--archive": a file name as ListArchives gives it
  std::vector<std::string> files;  // the files named after UNARHIV
  std::string targetDir;           // "--to"
  OverwriteMode overwrite = OverwriteMode::Ask;
};

struct ExtractOutcome {
  bool archiveChosen = false;
  std::string chosenArchive;  // full path; empty unless chosen
  ExtractResult result;
  // 0 when every entry asked for was restored, 4 when some were not, 5 when
  // nothing was restored (no archive chosen included).
  int ExitStatus() const { return result.ExitStatus(); }
};

// The archive run of `job` with its progress counted for the front.
RunResult RunArchiveWith(Job& job, ArchiveBackend& backend, SessionFront& front, bool showMessages);
// A restore from one of the job's archives: the one the request names, else
// the front's choice; the files the request names, else the front's.
ExtractOutcome RestoreWith(const Job& job, ArchiveBackend& backend, SessionFront& front, bool whole,
                           const RestoreRequest& request, bool showMessages);

// The full path of the archive whose file name is `fileName` among the job's
// generations, else among its unique saves; empty when there is none.
std::string FindArchive(const Job& job, const std::string& fileName);
// The newest of the job's generations and unique saves (by the file's
// time; a generation before a unique save of the same time); empty when
// the job has none.
std::string NewestArchive(const Job& job);
// What "--list" prints: every generation and unique save, newest first,
// with its date, size and number of entries.
std::string ListingOfArchives(const Job& job, ArchiveBackend& backend);

// What exists on disk for the job, for CommandsForJob.
JobFilesPresent FilesOfJob(const Job& job);

// The command the command line asks for, and why it cannot run when the
// job does not allow it.
enum class SessionCommand { None, New, Archive, ExtractChosen, ExtractWhole };
struct CommandChoice {
  SessionCommand command = SessionCommand::None;
  std::string refusal;  // not empty: the command is not run, status 3
};
CommandChoice ChooseCommand(const std::string& pendingCommand, const JobCommands& allowed);

// The status a command ends with: what its action answered, or, when the
// action failed with an exception, 2 for an archive run (nothing was made
// and the previous generations stand) and 3 for everything else.
int CommandStatus(const CommandChoice& choice, int actionStatus, bool failed);

// The archive run and the restore as a front performs them (the window
// shows its progress window around them); the session's own by default.
struct CommandActions {
  std::function<int()> archive;
  std::function<int(bool whole)> restore;
};

class JobSession {
 public:
  // The start delay of a command on the command line (the accounting
  // system that starts it closes its tables meanwhile).
  static constexpr int kStartDelayMs = 3000;

  // `withWindow` false: nobody can close a window, so the program ends after
  // the command even without "AUTO". A command line with an error ends with
  // status 3 and runs nothing.
  explicit JobSession(StartupCommand startup, bool withWindow = true);

  // The back-end archive runs and restores go through; none until set.
  void SetBackend(ArchiveBackend* backend) { backend_ = backend; }

  Job& CurrentJob() { return job_; }
  const Job& CurrentJob() const { return job_; }
  const StartupCommand& Startup() const { return startup_; }
  bool ShowMessages() const { return startup_.showMessages; }

  // Reads the job file named on the command line when it exists. A job file
  // that cannot be read throws and leaves the program's status at 3.
  void ReadStartupJob();
  // A command waits for its start delay.
  bool CommandPending() const { return startup_.startTimer && startup_.error.empty(); }
  // The program ends once the command has run ("AUTO", or nobody at the
  // screen), or at once when nothing is pending and nobody is there.
  bool EndsAfterCommand() const { return startup_.exitAfterCommand || !withWindow_; }

  // What the job may do now: the window's buttons paint it, the pending
  // command asks it. Nothing while a job or a window action is under way.
  JobCommands AllowedCommands() const;

  // Runs the pending command once and returns the program's status so far.
  // An exception of the command is rethrown after its status is counted, so
  // that the front shows it.
  int RunPendingCommand(const CommandActions& actions);
  int RunPendingCommand(SessionFront& front);
  // True while the command line's command runs (its summary goes to
  // standard error).
  bool CommandRunning() const { return commandRunning_; }

  // The archive run and the restore of the open job. A restore started by
  // the command line follows its restore options. Neither starts while
  // another job of the session runs (the progress window lets events run).
  RunResult Archive(SessionFront& front);
  ExtractOutcome Restore(SessionFront& front, bool whole);
  bool JobRunning() const { return jobRunning_; }
  // The person pressed Cancel: the job under way stops as soon as it can.
  void CancelJob() {
    if (backend_) backend_->Cancel();
  }

  // While it lives, the job may do nothing else (the window keeps its
  // commands disabled while one of them works on the job).
  class Busy {
   public:
    explicit Busy(JobSession& session) : session_(session) { ++session_.busy_; }
    ~Busy() { --session_.busy_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    JobSession& session_;
  };

  // The status the program ends with: the worst of the start-up and the
  // command.
  int ExitStatus() const { return status_; }
  void NoteStatus(int status);
  // The front was asked to end the program.
  void RequestEnd() { endRequested_ = true; }
  bool EndRequested() const { return endRequested_; }

 private:
  void NewJobFromCommandLine();
  RestoreRequest CommandLineRestore() const;
  ArchiveBackend& Backend() const;

  StartupCommand startup_;
  bool withWindow_;
  Job job_;
  ArchiveBackend* backend_ = nullptr;
  int status_ = kCommandDone;
  int busy_ = 0;
  bool jobRunning_ = false;
  bool commandRunning_ = false;
  bool endRequested_ = false;
};

}  // namespace orn
