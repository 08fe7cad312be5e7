#include "ArchiveRun.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <set>

#include "Clock.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "JobEdits.h"
#include "JobFile.h"
#include "Rclone.h"
#include "RemoteCopy.h"
#include "RunFiles.h"
#include "RunLeftovers.h"
#include "RunList.h"
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
  size_t distinctFiles = 0;          // what the archive should hold
  std::vector<std::string> zipList;  // the run list with the tables' checked copies
  std::string zipRoot;               // where those copies are
  std::function<void()> zipped;      // the copies are no longer needed
  std::string tempArchive;
  std::string uniqueFolder;
  std::string uniqueTarget;  // empty: no unique save today
  std::string plusTarget;    // empty: no second copy
  unsigned fileMode = 0600;  // permissions of the archives and copies
  unsigned folderMode = 0700;
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
  // Until the sources are known it is made for the owner alone.
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  const std::vector<std::string> madeForArchives = CreateDirectoryPath(archiveDir, log, 0700);

  // Another run on the same temporary directory, or writing into the same
  // folders, is waited for; only then, with nothing of another run in
  // flight, is what a killed run left removed, before this run writes
  // anything (cleaning the register included).
  const std::string temp = temporaryDirectory_;
  CreateDirectoryPath(temp, log, 0700);
  // The archive is made here before anyone may read it.
  ::chmod(ExcludeTrailingDelimiter(temp).c_str(), 0700);
  DirectoryLock tempLock(temp);
  std::string busy = WaitForRunLock(tempLock, lockWaitSeconds_, *observer_, texts_.Text("msg_TempBusy"), temp);
  RunFolderLocks folderLocks;
  if (busy.empty())
    busy = folderLocks.Take(RunTargetFolders(job), temp, lockWaitSeconds_, *observer_, texts_.Text("msg_TempBusy"));
  if (!busy.empty()) {
    log.Error(busy);
    NoteLog(log, result);
    return result;
  }
  RemoveRunLeftovers(RunTargetFolders(job), log);

  Targets targets;
  try {
    targets.runList = buildRunList ? buildRunList(job) : DefaultRunList(job, log);
    // A restore of a table with its companions that was cut short is
    // completed before the pair is archived half old, half new.
    // What could not be taken was logged the first time.
    if (std::vector<std::string> folders = FoldersWithInterruptedChanges(targets.runList); !folders.empty()) {
      RemoveRunLeftovers(folders, log);
      targets.runList = buildRunList ? buildRunList(job) : CollectRunFiles(job.registerFile, job.jobList);
    }
  } catch (const std::exception& e) {
    // Nothing was zipped and nothing changed; the log must say why.
    log.Error(texts_.Text("msg_NotGathered") + ": " + e.what());
    NoteLog(log, result);
    return result;
  }
  std::vector<unsigned> sourceModes;
  targets.runList = ReadableFiles(targets.runList, log, &targets.distinctFiles, &sourceModes);
  targets.today = Today();
  // No archive, copy or folder made for it allows more than the most
  // private of the files it holds.
  targets.fileMode = NarrowedMode(UsualFileMode(), sourceModes);
  targets.folderMode = FolderModeFor(targets.fileMode);
  for (const std::string& dir : madeForArchives) ::chmod(ExcludeTrailingDelimiter(dir).c_str(), targets.folderMode);

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
  // A remote is rclone's to reach; its folders are made as the copy goes up.
  const bool remote = IsRemotePath(job.plusPath);
  const std::string plusDir = remote ? DirectoryField(job.plusPath) : IncludeTrailingDelimiter(job.plusPath);
  targets.uniqueFolder = job.uniqueFolder.empty() ? archiveDir : archiveDir + job.uniqueFolder + kPathDelim;
  if (!DirectoryExists(targets.uniqueFolder) && !CreateDir(targets.uniqueFolder, targets.folderMode))
    log.DirectoryNotCreated(targets.uniqueFolder, std::strerror(errno));
  if (!remote) CreateDirectoryPath(plusDir, log, targets.folderMode);

  targets.tempArchive = temporaryDirectory_ + job.archiveName + RotationSuffix(job.rotationScheme, targets.today);
  targets.plusTarget = plusDir + job.archiveName + PlusSuffix(job.rotationScheme, targets.today);
  if (DecideUniqueSave(job.uniqueScheme, targets.today, job.lastArchivingDate))
    targets.uniqueTarget = targets.uniqueFolder + job.archiveName + UniqueSuffix(targets.today);
  if (!remote && (job.plusPath.empty() || !DirectoryExists(plusDir))) {
    targets.plusTarget.clear();
    log.PlusPathMissing();
  }
}

namespace {
// The copies of the archive's files into a tagged target: every file gets the
// target's tag in its name.
std::vector<CopyItem> TaggedCopies(const std::vector<CopyItem>& made, const std::string& target, bool volumeSet) {
  const bool remote = IsRemotePath(target);
  std::string tag = ArchiveTag(remote ? RemoteFileName(target) : ExtractFileName(target));
  std::string dir = remote ? RemoteFolderOf(target) : ExtractFilePath(target);
  std::vector<CopyItem> items;
  for (const CopyItem& f : made)
    items.push_back({f.from, dir + TaggedName(ExtractFileName(f.from), tag, volumeSet), f.tested});
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
  if (size_t wanted = targets.distinctFiles; static_cast<size_t>(added) < wanted) {
    // The engine's own messages name the files it could not take.
    std::string why;
    for (const std::string& m : progress.Messages()) why += "; " + m;
    log.Error(texts_.Text("msg_NotAdded") + archiveText + ": " + std::to_string(wanted - added) + " of " +
              std::to_string(wanted) + why);
    filesMissing = true;
  }
  // The archive is read through once, every entry against its CRC. Its
  // copies are made meanwhile (the one job reads, the others copy and
  // flush) and each is read back against the archive's bytes; none is placed
  // before the archive has passed.
  const bool volumeSet = job.volumesOn;
  const std::string archiveDir = IncludeTrailingDelimiter(job.archiveDirectory);
  struct Copy {
    std::vector<CopyItem> items;
    std::string* placed;
    bool room = false;
    PendingCopy pending;
    std::int64_t bytes = 0;  // what the archive's files hold
  };
  std::vector<Copy> copies;
  std::vector<CopyItem> generation;
  for (const std::string& f : made) generation.push_back({f, archiveDir + ExtractFileName(f), {}});
  copies.push_back({generation, &result.generation, false, {}, 0});
  if (!targets.uniqueTarget.empty())
    copies.push_back({TaggedCopies(generation, targets.uniqueTarget, volumeSet), &result.uniqueSave, false, {}, 0});
  // A copy on a remote goes up from the tested archive once it has passed.
  const bool remotePlus = IsRemotePath(targets.plusTarget);
  if (!targets.plusTarget.empty() && !remotePlus)
    copies.push_back({TaggedCopies(generation, targets.plusTarget, volumeSet), &result.plusCopy, false, {}, 0});
  for (Copy& copy : copies) {
    copy.room = HasRoomFor(copy.items, log, freeSpace);
    for (const CopyItem& item : copy.items) copy.bytes += FileSize(item.from).value_or(0);
  }
  // Shared with the copying job: which copy it makes, how far it has come,
  // and whether the person stopped the run.
  std::atomic<size_t> copyAt{copies.size()};
  std::atomic<std::int64_t> copied{0};
  std::atomic<bool> stopCopies{false};

  std::string unreadable;  // a file of the archive that could not be summed
  std::future<void> copying = std::async(std::launch::async, [&] {
    std::vector<FileChecksum> sums;
    for (const std::string& f : made) {
      const std::optional<FileChecksum> sum = ChecksumOf(f);
      if (!sum) {
        unreadable = f + "\": " + std::strerror(errno);
        return;
      }
      sums.push_back(*sum);
    }
    for (size_t c = 0; c < copies.size(); ++c) {
      Copy& copy = copies[c];
      if (!copy.room) continue;
      for (size_t i = 0; i < copy.items.size(); ++i) copy.items[i].tested = sums[i];
      copied = 0;
      copyAt = c;
      copy.pending = MakePendingCopy(copy.items, static_cast<int>(targets.fileMode), [&](std::int64_t bytes) {
        copied = bytes;
        return !stopCopies.load();
      });
    }
    copyAt = copies.size();
  });
  auto discardAll = [&] {
    for (Copy& copy : copies) DiscardPendingCopy(copy.pending);
  };
  std::string why;
  bool tested = false;
  try {
    tested = backend_.Test(made, &why);
  } catch (...) {
    stopCopies = true;
    copying.wait();
    discardAll();
    throw;
  }
  // The copies still under way are followed in the windows (a large archive
  // takes a while); Cancel stops them.
  if (!tested) stopCopies = true;
  while (copying.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) {
    const size_t at = copyAt.load();
    if (at < copies.size() && !observer_->Copying(copies[at].items.front().to, copied.load(), copies[at].bytes))
      stopCopies = true;
  }
  copying.get();
  const bool cancelled = backend_.Cancelled() || observer_->CancelRequested();
  if (!tested && cancelled) {
    discardAll();
    for (const Copy& copy : copies)
      if (copy.room) log.Cancelled(copy.items.front().to);
    return filesMissing;
  }
  if (!tested || !unreadable.empty()) {
    discardAll();
    log.Error(texts_.Text("msg_BadCopy") +
              (tested ? " \"" + unreadable : archiveText + (why.empty() ? "" : ": " + why)));
    return filesMissing;
  }
  // After Cancel no copy is placed, not even the generation; the log names
  // each copy that was not made.
  for (Copy& copy : copies) {
    if (copy.room && (cancelled || copy.pending.cancelled)) {
      DiscardPendingCopy(copy.pending);
      log.Cancelled(copy.items.front().to);
      continue;
    }
    if (!copy.room) {
      DiscardPendingCopy(copy.pending);
      continue;
    }
    if (!PlacePendingCopy(copy.pending, volumeSet, log)) continue;
    *copy.placed = copy.items.front().to;
    result.verified.push_back(*copy.placed);
  }
  if (remotePlus && !observer_->CancelRequested()) {
    std::vector<CopyItem> items = TaggedCopies(generation, targets.plusTarget, volumeSet);
    if (PlaceRemoteCopy(items, volumeSet, rclone, log, RemoteOptions())) {
      result.plusCopy = items.front().to;
      result.verified.push_back(result.plusCopy);
    }
  }

  OfferFloppies(job);
  EmptyDirectory(temporaryDirectory_);
  return filesMissing;
}

RemoteCopyOptions ArchiveRun::RemoteOptions() {
  RemoteCopyOptions options = remoteCopy;
  options.copying = [this](const std::string& target, std::int64_t, std::int64_t) {
    observer_->SetFileName(target);
    observer_->ProcessMessages();
    return !observer_->CancelRequested();
  };
  return options;
}

void ArchiveRun::OfferFloppies(const Job& job) {
  if (!job.copyToFloppies) return;
  if (!observer_->AskCopyToFloppies(texts_.Text("ToFlop"))) return;
  observer_->CopyToFloppies(FilesIn(temporaryDirectory_, "*.zip"));
}

}  // namespace orn
