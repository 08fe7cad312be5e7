#include "JobSession.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "DateTime.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "JobEdits.h"
#include "JobFile.h"
#include "RunProgress.h"

namespace orn {

namespace {

// Entry names from DOS-era tools are read in the OEM page of the language
// chosen in Params.ini, whatever started the job.
void FollowLanguage(ArchiveBackend& backend) { backend.SetNamesCharset(Framework().values.labelCharset); }

// Marks a flag for the length of a scope.
class Raised {
 public:
  explicit Raised(bool& flag) : flag_(flag) { flag_ = true; }
  ~Raised() { flag_ = false; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;

 private:
  bool& flag_;
};

struct ListedArchive {
  const ArchiveRow* row;
  bool unique;
};

// Generations first, then unique saves, each as the file system lists them;
// sorted newest first with a stable sort, so a generation comes before a
// unique save of the same time.
std::vector<ListedArchive> NewestFirst(const ArchiveChoices& choices) {
  std::vector<ListedArchive> all;
  for (const ArchiveRow& row : choices.rotating) all.push_back({&row, false});
  for (const ArchiveRow& row : choices.unique) all.push_back({&row, true});
  std::stable_sort(all.begin(), all.end(),
                   [](const ListedArchive& a, const ListedArchive& b) { return a.row->modified > b.row->modified; });
  return all;
}

std::string LocalTimeText(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &local);
  return text;
}

}  // namespace

RunResult RunArchiveWith(Job& job, ArchiveBackend& backend, SessionFront& front, bool showMessages) {
  FollowLanguage(backend);
  CountingBackend counting(backend, front.Progress(), front.Texts());
  ArchiveRun run(counting, front.Texts());
  run.SetObserver(&front.Progress());
  run.SetShowMessages(showMessages);
  front.ConfigureRun(run);
  return run.Run(job);
}

ExtractOutcome RestoreWith(const Job& job, ArchiveBackend& backend, SessionFront& front, bool whole,
                           const RestoreRequest& request, bool showMessages) {
  ExtractOutcome outcome;
  FollowLanguage(backend);
  if (!request.archiveName.empty())
    outcome.chosenArchive = FindArchive(job, request.archiveName);
  else
    outcome.chosenArchive = front.ChooseArchive(job);
  outcome.archiveChosen = !outcome.chosenArchive.empty();

  CountingBackend counting(backend, front.Progress(), front.Texts());
  Extraction extraction(counting, front.Texts());
  extraction.SetObserver(&front.Progress());
  extraction.SetShowMessages(showMessages);
  extraction.chooseFiles = [&front](FileChooserModel& model) { return front.ChooseFiles(model); };
  extraction.confirmOverwrite = [&front](const std::vector<std::string>& existing) {
    return front.ConfirmOverwrite(existing);
  };
  const bool nobodyToAsk = request.overwrite == OverwriteMode::Ask && !front.CanAsk();
  extraction.overwrite = nobodyToAsk ? OverwriteMode::Never : request.overwrite;
  extraction.namedFiles = request.files;
  extraction.targetDir = request.targetDir;
  extraction.namedArchive = request.archiveName;
  outcome.result = extraction.Run(job, outcome.chosenArchive, whole);
  if (nobodyToAsk && outcome.result.keptExisting > 0)
    Diagnostic("Files that exist were kept: nobody could be asked (--overwrite always replaces them)");
  // Cancelling the file chooser takes the choice back.
  if (!whole && !outcome.result.extracted) {
    outcome.archiveChosen = false;
    outcome.chosenArchive.clear();
  }
  return outcome;
}

std::string FindArchive(const Job& job, const std::string& fileName) {
  const ArchiveChoices choices = ListArchives(job);
  for (bool unique : {false, true})
    for (const ArchiveRow& row : unique ? choices.unique : choices.rotating)
      if (row.fileName == fileName) return ChosenArchivePath(job, unique, row.fileName);
  return {};
}

std::string NewestArchive(const Job& job) {
  const ArchiveChoices choices = ListArchives(job);
  const std::vector<ListedArchive> all = NewestFirst(choices);
  return all.empty() ? std::string() : ChosenArchivePath(job, all.front().unique, all.front().row->fileName);
}

std::string ListingOfArchives(const Job& job, ArchiveBackend& backend) {
  FollowLanguage(backend);
  const ArchiveChoices choices = ListArchives(job);
  const std::vector<ListedArchive> all = NewestFirst(choices);
  if (all.empty()) return "No archives of the job in \"" + job.archiveDirectory + "\"\n";
  size_t width = 4;
  for (const ListedArchive& a : all) width = std::max(width, a.row->fileName.size());
  auto line = [width](const std::string& name, const std::string& date, const std::string& size,
                      const std::string& entries, const std::string& kind) {
    char text[512];
    std::snprintf(text, sizeof text, "%-*s  %-16s  %9s  %7s  %s\n", static_cast<int>(width), name.c_str(), date.c_str(),
                  size.c_str(), entries.c_str(), kind.c_str());
    return std::string(text);
  };
  std::string out = line("NAME", "DATE", "SIZE", "ENTRIES", "KIND");
  for (const ListedArchive& a : all) {
    const std::string path = ChosenArchivePath(job, a.unique, a.row->fileName);
    const size_t entries = backend.List(path).size();
    out += line(a.row->fileName, LocalTimeText(a.row->modified), SizeText(a.row->size), std::to_string(entries),
                a.unique ? "unique save in " + ExtractFilePath(path) : "generation");
  }
  return out;
}

JobFilesPresent FilesOfJob(const Job& job) {
  JobFilesPresent files;
  if (!job.IsOpen()) return files;
  files.registerTable = FileExists(job.registerFile);
  // What the archive chooser offers, rotating or unique.
  const ArchiveChoices choices = ListArchives(job);
  files.rotating = !choices.rotating.empty();
  files.unique = !choices.unique.empty();
  return files;
}

CommandChoice ChooseCommand(const std::string& pendingCommand, const JobCommands& allowed) {
  CommandChoice choice;
  auto allow = [&](SessionCommand command, bool allowedNow, const char* why) {
    if (allowedNow)
      choice.command = command;
    else
      choice.refusal = pendingCommand + ": the job does not allow it (" + why + ")";
    return choice;
  };
  if (pendingCommand.empty()) return choice;
  if (pendingCommand == "NEW") return allow(SessionCommand::New, true, "");
  if (pendingCommand == "UNARHIV")
    return allow(SessionCommand::ExtractChosen, allowed.extract, "no archive of the job");
  if (pendingCommand == "ARHIV")
    return allow(SessionCommand::Archive, allowed.archive, "no register table and an empty job list");
  if (pendingCommand == "UNARHIVALL")
    return allow(SessionCommand::ExtractWhole, allowed.extract, "no archive of the job");
  choice.refusal = "Unknown command \"" + pendingCommand + "\"";
  return choice;
}

int CommandStatus(const CommandChoice& choice, int actionStatus, bool failed) {
  if (!choice.refusal.empty()) return kCommandNotRun;
  if (failed) return choice.command == SessionCommand::Archive ? kCommandNoGeneration : kCommandNotRun;
  return choice.command == SessionCommand::None ? kCommandDone : actionStatus;
}

JobSession::JobSession(StartupCommand startup, bool withWindow)
    : startup_(std::move(startup)), withWindow_(withWindow) {
  if (!startup_.error.empty()) status_ = kCommandNotRun;
}

void JobSession::NoteStatus(int status) { status_ = std::max(status_, status); }

void JobSession::ReadStartupJob() {
  if (!startup_.readJobFile || !startup_.error.empty()) return;
  try {
    Job job = ReadJobFile(startup_.jobFile, job_);
    TidyJobFields(job);
    job_ = std::move(job);
  } catch (...) {
    NoteStatus(kCommandNotRun);
    throw;
  }
}

JobCommands JobSession::AllowedCommands() const {
  return CommandsForJob(job_, FilesOfJob(job_), busy_ > 0 || jobRunning_);
}

void JobSession::NewJobFromCommandLine() {
  if (startup_.jobFile.empty()) throw EJobFile("NEW: no job file given");
  job_.jobFilePath = startup_.jobFile;
  ClearJobForNew(job_);
  WriteJobFile(job_, job_.jobFilePath);
  job_.saved = false;
}

RestoreRequest JobSession::CommandLineRestore() const {
  RestoreRequest request;
  request.archiveName = startup_.archiveName;
  request.files = startup_.files;
  request.targetDir = startup_.targetDir.empty() || IsAbsolutePath(startup_.targetDir)
                          ? startup_.targetDir
                          : JoinPath(CurrentDir(), startup_.targetDir);
  request.overwrite = startup_.overwrite;
  return request;
}

int JobSession::RunPendingCommand(const CommandActions& actions) {
  if (!CommandPending()) return status_;
  const CommandChoice choice = ChooseCommand(startup_.pendingCommand, AllowedCommands());
  if (!choice.refusal.empty()) {
    Diagnostic(choice.refusal);
    NoteStatus(CommandStatus(choice, kCommandNotRun, false));
    return status_;
  }
  Raised running(commandRunning_);
  try {
    int actionStatus = kCommandDone;
    switch (choice.command) {
      case SessionCommand::New:
        NewJobFromCommandLine();
        break;
      case SessionCommand::Archive:
        actionStatus = actions.archive();
        break;
      case SessionCommand::ExtractChosen:
      case SessionCommand::ExtractWhole:
        actionStatus = actions.restore(choice.command == SessionCommand::ExtractWhole);
        break;
      case SessionCommand::None:
        break;
    }
    NoteStatus(CommandStatus(choice, actionStatus, false));
  } catch (...) {
    NoteStatus(CommandStatus(choice, kCommandDone, true));
    throw;
  }
  return status_;
}

int JobSession::RunPendingCommand(SessionFront& front) {
  CommandActions actions;
  actions.archive = [&] {
    const RunResult result = Archive(front);
    Diagnostic(result.Summary());
    return result.exitStatus;
  };
  actions.restore = [&](bool whole) {
    const ExtractOutcome outcome = Restore(front, whole);
    Diagnostic(outcome.result.Summary());
    return outcome.ExitStatus();
  };
  return RunPendingCommand(actions);
}

ArchiveBackend& JobSession::Backend() const {
  if (!backend_) throw std::logic_error("The job session has no archive back-end");
  return *backend_;
}

RunResult JobSession::Archive(SessionFront& front) {
  if (jobRunning_) {
    Diagnostic("Archive: another archive job is still running");
    return {};
  }
  Raised running(jobRunning_);
  // A command that ends the program has nobody to change disks: a run that
  // needs another one ends saying which, instead of waiting all night.
  struct NobodyToAsk {
    ArchiveBackend& backend;
    NobodyToAsk(ArchiveBackend& b, bool on) : backend(b) { backend.SetUnattended(on); }
    ~NobodyToAsk() { backend.SetUnattended(false); }
  } nobodyToAsk(Backend(), commandRunning_ && EndsAfterCommand());
  return RunArchiveWith(job_, Backend(), front, ShowMessages());
}

ExtractOutcome JobSession::Restore(SessionFront& front, bool whole) {
  if (jobRunning_) {
    Diagnostic("Extract: another archive job is still running");
    return {};
  }
  Raised running(jobRunning_);
  return RestoreWith(job_, Backend(), front, whole, commandRunning_ ? CommandLineRestore() : RestoreRequest(),
                     ShowMessages());
}

}  // namespace orn
