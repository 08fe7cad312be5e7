#include "ArchiveRun.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "Clock.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "RunFiles.h"
#include "RunLeftovers.h"
#include "RunNames.h"
#include "SourceLists.h"

namespace orn {

std::string RunResult::Summary() const { return Summary(MessageTexts()); }

std::string RunResult::Summary(const MessageTexts& texts) const {
  std::string copies;
  for (size_t i = 0; i < verified.size(); ++i) copies += (i ? ", " : "") + ExtractFileName(verified[i]);
  if (verified.empty()) copies = texts.Text("sum_NoneVerified");
  std::string line =
      generation.empty() ? texts.Format("sum_NotMade", {copies}) : texts.Format("sum_Made", {generation, copies});
  if (!tornTables.empty()) {
    std::string names;
    for (size_t i = 0; i < tornTables.size(); ++i) names += (i ? ", " : "") + ExtractFileName(tornTables[i]);
    line += "; " + texts.Format("sum_Torn", {names});
  }
  return line + OutcomeTail(texts, problems, logFailure, logFailureKey, logFailureDetail, logFile);
}

namespace {
void NoteLog(const MessageLog& log, RunResult& result) {
  result.problems = log.ProblemCount();
  result.problemTexts = log.Problems();
  result.logFile = log.WrittenTo();
  result.logFailure = log.LogFailure();
  result.logFailureKey = log.LogFailureKey();
  result.logFailureDetail = log.LogFailureDetail();
}
}  // namespace

struct ArchiveRun::Targets {
  DateTime today = 0;
  std::vector<std::string> runList;
  std::vector<std::string> zipList;  // the run list with the tables' checked copies
  std::string zipRoot;               // where those copies are
  std::function<void()> zipped;      // the copies are no longer needed
  std::string tempArchive;
  std::string uniqueFolder;
  std::string uniqueTarget;  // empty: no unique save today
  std::string plusTarget;    // empty: no second copy
};

ArchiveRun::ArchiveRun(ArchiveBackend& backend, const MessageTexts& texts)
    : backend_(backend), texts_(texts), temporaryDirectory_(DefaultTemporaryDirectory()) {}

void ArchiveRun::SetTemporaryDirectory(const std::string& directory) {
  temporaryDirectory_ = IncludeTrailingDelimiter(directory);
}

RunResult ArchiveRun::Run(Job& job) {
  RunResult result;
  MessageLog log(texts_, job.archiveDirectory, showMessages_);

  if (lowerPriority_) SetIdlePriority();
  ProgressScope progress(*observer_, backend_);

  // Without an archive directory every copy would land in whatever the
  // current directory happens to be, and nothing could be logged.
  if (job.archiveDirectory.empty()) {
    log.Error(texts_.Text("msg_NoArchivePath"));
    NoteLog(log, result);
    return result;
  }

  // The archive directory comes first: it holds the log, so that no line of
  // a first run into a new directory is lost, and the unique folder below it.
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  CreateDirectoryPath(archiveDir, log);

  // Another run on the same temporary directory is waited for; only then,
  // with nothing of another run in flight, is what a killed run left removed,
  // before this run writes anything (cleaning the register included).
  const std::string temp = temporaryDirectory_;
  CreateDirectoryPath(temp, log);
  DirectoryLock tempLock(temp);
  if (std::string why = WaitForRunLock(tempLock, lockWaitSeconds_, *observer_, texts_.Text("msg_TempBusy"), temp);
      !why.empty()) {
    log.Error(why);
    NoteLog(log, result);
    return result;
  }
  RemoveRunLeftovers(RunTargetFolders(job), log);

  Targets targets;
  try {
    targets.runList = buildRunList ? buildRunList(job) : DefaultRunList(job, log);
  } catch (const std::exception& e) {
    // Nothing was zipped and nothing changed; the log must say why.
    log.Error(texts_.Text("msg_NotGathered") + ": " + e.what());
    NoteLog(log, result);
    return result;
  }
  targets.runList = ReadableFiles(targets.runList, log);
  targets.today = Today();

  EmptyDirectory(temp);
  // What is archived of a table is one copy of it that was checked whole.
  TableSnapshots snapshots(temp + kTableCopiesFolder);
  targets.zipList = snapshots.Take(targets.runList, RegisterFilesOf(job), tableChecks, *observer_);
  targets.zipRoot = snapshots.Root();
  targets.zipped = [&snapshots] { snapshots.RemoveCopies(); };
  LogTableVerdicts(snapshots.Verdicts(), log);
  result.tornTables = snapshots.Torn();

  observer_->ProcessMessages();
  PlanTargets(job, targets, log);

  EmptyDirectory(temp);

  bool filesMissing = false;
  try {
    filesMissing = Distribute(job, targets, log, progress, result);
  } catch (const std::exception& e) {
    log.Error(e.what());
  }

  // A unique save that was due but not made stays due: the date moves on
  // only with the save itself.
  if (!targets.uniqueTarget.empty() && !result.uniqueSave.empty()) job.lastArchivingDate = targets.today;

  bool jobWritten = true;
  try {
    if (writeJob)
      writeJob(job);
    else if (job.IsOpen())
      LogJobFileNote(WriteJobFile(job, job.jobFilePath), log);
  } catch (const std::exception& e) {
    log.Error(e.what());
    jobWritten = false;
  }

  bool copyMissing = (!targets.uniqueTarget.empty() && result.uniqueSave.empty()) ||
                     (!job.plusPath.empty() && result.plusCopy.empty());
  NoteLog(log, result);
  // "Archive made ... 2 problems logged" with status 0 would tell a
  // scheduler that all went well.
  if (result.generation.empty())
    result.exitStatus = kRunNoGeneration;
  else if (copyMissing || filesMissing || !jobWritten || result.problems > 0)
    result.exitStatus = kRunIncomplete;
  else
    result.exitStatus = kRunComplete;
  return result;
}

// The names of the day's archive and of its copies; the unique folder and the
// plus path are made here when missing.
void ArchiveRun::PlanTargets(const Job& job, Targets& targets, MessageLog& log) const {
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  const std::string plusDir = IncludeTrailingDelimiter(job.plusPath);
  targets.uniqueFolder = job.uniqueFolder.empty() ? archiveDir : archiveDir + job.uniqueFolder + kPathDelim;
  if (!DirectoryExists(targets.uniqueFolder) && !CreateDir(targets.uniqueFolder))
    log.DirectoryNotCreated(targets.uniqueFolder, std::strerror(errno));
  CreateDirectoryPath(plusDir, log);

  targets.tempArchive = temporaryDirectory_ + job.archiveName + RotationSuffix(job.rotationScheme, targets.today);
  targets.plusTarget = plusDir + job.archiveName + PlusSuffix(job.rotationScheme, targets.today);
  if (DecideUniqueSave(job.uniqueScheme, targets.today, job.lastArchivingDate))
    targets.uniqueTarget = targets.uniqueFolder + job.archiveName + UniqueSuffix(targets.today);
  if (job.plusPath.empty() || !DirectoryExists(plusDir)) {
    targets.plusTarget.clear();
    log.PlusPathMissing();
  }
}

namespace {
// The files the archive should hold: one per existing file, however often
// and under whatever spelling the run list names it.
size_t DistinctExistingFiles(const std::vector<std::string>& runList) {
  std::set<std::string> files;
  for (const std::string& f : runList) {
    if (!FileExists(f)) continue;
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(f, ec);
    files.insert(ec ? f : canonical.string());
  }
  return files.size();
}

// The copies of the archive's files into a tagged target: every file gets the
// target's tag in its name.
std::vector<CopyItem> TaggedCopies(const std::vector<std::string>& made, const std::string& target, bool volumeSet) {
  std::string tag = ArchiveTag(ExtractFileName(target));
  std::string dir = ExtractFilePath(target);
  std::vector<CopyItem> items;
  for (const std::string& f : made) items.push_back({f, dir + TaggedName(ExtractFileName(f), tag, volumeSet)});
  return items;
}
}  // namespace

// Returns true when some files of the run list did not reach the archive.
bool ArchiveRun::Distribute(const Job& job, const Targets& targets, MessageLog& log, ProgressScope& progress,
                            RunResult& result) {
  observer_->SetTitle("ZIPPING");
  if (lowerPriority_) SetIdlePriority();

  progress.ClearMessage();
  backend_.SetVolumes(job.volumesOn, static_cast<std::int64_t>(job.volumeSize) * 1000);
  backend_.SetRootDir(targets.zipRoot);
  int added = backend_.Add(targets.zipList, targets.tempArchive);
  targets.zipped();
  std::vector<std::string> made = FilesIn(temporaryDirectory_);
  std::string archiveText = " \"" + targets.tempArchive + "\"";
  if (backend_.Cancelled()) {
    log.Cancelled(targets.tempArchive);
    return false;
  }
  if (added <= 0 || made.empty()) {
    log.Error(texts_.Text("msg_NotZipped") + archiveText +
              (progress.LastMessage().empty() ? "" : ": " + progress.LastMessage()));
    return false;
  }
  bool filesMissing = false;
  if (size_t wanted = DistinctExistingFiles(targets.runList); static_cast<size_t>(added) < wanted) {
    // The engine's own messages name the files it could not take.
    std::string why;
    for (const std::string& m : progress.Messages()) why += "; " + m;
    log.Error(texts_.Text("msg_NotAdded") + archiveText + ": " + std::to_string(wanted - added) + " of " +
              std::to_string(wanted) + why);
    filesMissing = true;
  }
  std::string why;
  if (!backend_.Test(made, &why)) {
    if (backend_.Cancelled())
      log.Cancelled(targets.tempArchive);
    else
      log.Error(texts_.Text("msg_BadCopy") + archiveText + (why.empty() ? "" : ": " + why));
    return filesMissing;
  }

  const bool volumeSet = job.volumesOn;
  // The copies of a large archive take a while: the windows follow them.
  const CopyingProgress copying = [this](const std::string& target, std::int64_t copied, std::int64_t total) {
    return observer_->Copying(target, copied, total);
  };
  std::vector<CopyItem> generation;
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  for (const std::string& f : made) generation.push_back({f, archiveDir + ExtractFileName(f)});
  if (PlaceVerifiedCopy(generation, volumeSet, backend_, log, freeSpace, copying)) {
    result.generation = generation.front().to;
    result.verified.push_back(result.generation);
  }

  // Once stopped, the copies still to come are not made, and the log says so.
  auto stopped = [&](const std::string& target) {
    if (target.empty() || !backend_.Cancelled()) return false;
    log.Cancelled(target);
    return true;
  };
  if (!targets.uniqueTarget.empty() && !stopped(targets.uniqueTarget)) {
    std::vector<CopyItem> items = TaggedCopies(made, targets.uniqueTarget, volumeSet);
    if (PlaceVerifiedCopy(items, volumeSet, backend_, log, freeSpace, copying)) {
      result.uniqueSave = items.front().to;
      result.verified.push_back(result.uniqueSave);
    }
  }
  if (!targets.plusTarget.empty() && !stopped(targets.plusTarget)) {
    std::vector<CopyItem> items = TaggedCopies(made, targets.plusTarget, volumeSet);
    if (PlaceVerifiedCopy(items, volumeSet, backend_, log, freeSpace, copying)) {
      result.plusCopy = items.front().to;
      result.verified.push_back(result.plusCopy);
    }
  }

  OfferFloppies(job);
  EmptyDirectory(temporaryDirectory_);
  return filesMissing;
}

void ArchiveRun::OfferFloppies(const Job& job) {
  if (!job.copyToFloppies) return;
  if (!observer_->AskCopyToFloppies(texts_.Text("ToFlop"))) return;
  observer_->CopyToFloppies(FilesIn(temporaryDirectory_, "*.zip"));
}

}  // namespace orn
