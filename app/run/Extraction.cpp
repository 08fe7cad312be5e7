#include "Extraction.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <unordered_map>

#include "CommandLine.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "RunNames.h"
#include "SourceLists.h"
#include "TextUtil.h"
#include "ZipNames.h"

namespace orn {

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  std::string ua = UpperAscii(a), ub = UpperAscii(b);
  return ua != ub ? ua < ub : a < b;
}

size_t FilePartStart(const std::string& name) {
  size_t sep = name.find_last_of("\\/");
  return sep == std::string::npos ? 0 : sep + 1;
}

std::vector<ArchiveRow> Rows(const std::string& directory, const std::string& mask) {
  std::vector<ArchiveRow> rows;
  const std::string dir = IncludeTrailingDelimiter(directory);
  for (const FoundFile& f : FindFiles(directory, mask, FindWhat::Files)) {
    // A volume set is restored through its last volume: the volumes before
    // it are not offered, as choosing one could only fail.
    if (std::optional<int> volume = VolumeNumber(f.name);
        volume && *volume < 999 && FileExists(dir + WithVolumeNumber(f.name, *volume + 1)))
      continue;
    // The file date as the file system's local time, in the short format.
    std::time_t t = static_cast<std::time_t>(f.mtime);
    std::tm local{};
    localtime_r(&t, &local);
    DateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(0);
    std::int64_t size = f.size;
    if (std::optional<int> volume = VolumeNumber(f.name))
      for (int n = 1; n < *volume; ++n) size += FileSize(dir + WithVolumeNumber(f.name, n)).value_or(0);
    rows.push_back({f.name, FormatShortDate(date), f.mtime, size});
  }
  return rows;
}

std::string UniqueFolderOf(const Job& job) {
  std::string dir = IncludeTrailingDelimiter(job.archiveDirectory);
  return job.uniqueFolder.empty() ? dir : dir + job.uniqueFolder + kPathDelim;
}

std::optional<size_t> MoveSelected(std::vector<std::string>& from, std::vector<std::string>& to,
                                   std::vector<size_t> selected) {
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  while (!selected.empty() && selected.back() >= from.size()) selected.pop_back();
  size_t first = selected.empty() ? 0 : selected.front();
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    to.push_back(from[*it]);
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  if (from.empty()) return std::nullopt;
  return std::min(first, from.size() - 1);
}

}  // namespace

ArchiveChoices ListArchives(const Job& job) {
  ArchiveChoices choices;
  choices.archiveDirectory = job.archiveDirectory;
  if (job.archiveDirectory.empty()) return choices;  // not the current directory's files
  std::string mask = job.archiveName + "*.zip";
  choices.rotating = Rows(job.archiveDirectory, mask);
  choices.unique = Rows(UniqueFolderOf(job), mask);
  return choices;
}

void CompleteInterruptedSets(const Job& job) {
  if (job.archiveDirectory.empty()) return;
  // A run at work now keeps its own files.
  RemoveStaleTemporaries(job.archiveDirectory);
  RemoveStaleTemporaries(UniqueFolderOf(job));
}

std::string ChosenArchivePath(const Job& job, bool fromUniqueGrid, const std::string& fileName) {
  return (fromUniqueGrid ? UniqueFolderOf(job) : IncludeTrailingDelimiter(job.archiveDirectory)) + fileName;
}

std::string EntryWithoutExtension(const std::string& entryName) {
  size_t start = FilePartStart(entryName);
  size_t dot = entryName.rfind('.');
  return dot == std::string::npos || dot < start ? entryName : entryName.substr(0, dot);
}

bool IsSafeEntryName(const std::string& entryName) {
  return CheckEntryName(entryName, true).verdict != NameVerdict::Unsafe;
}

FileChooserModel::FileChooserModel(std::vector<std::string> dirEntries, const CompanionPredicate& isCompanion)
    : entries_(std::move(dirEntries)) {
  for (const std::string& name : entries_)
    if (!isCompanion || !isCompanion(name.substr(FilePartStart(name)))) saved_.push_back(name);
  std::stable_sort(saved_.begin(), saved_.end(), LessIgnoringCase);
}

std::optional<size_t> FileChooserModel::Include(const std::vector<size_t>& selected) {
  return MoveSelected(saved_, toRestore_, selected);
}

std::optional<size_t> FileChooserModel::Exclude(const std::vector<size_t>& selected) {
  std::optional<size_t> next = MoveSelected(toRestore_, saved_, selected);
  std::stable_sort(saved_.begin(), saved_.end(), LessIgnoringCase);
  return next;
}

std::vector<std::string> FileChooserModel::IncludeNamed(const std::vector<std::string>& names) {
  std::vector<std::string> missing;
  for (const std::string& given : names) {
    const std::string wanted = UpperAscii(ForwardSlashes(given));
    const bool withFolder = wanted.find('/') != std::string::npos;
    bool found = false;
    // Companion files are matched too: a table's index named alone brings
    // its table, as the table brings its index.
    for (const std::string& entry : entries_) {
      const std::string stored = UpperAscii(ForwardSlashes(entry));
      if (stored != wanted && (withFolder || stored.substr(FilePartStart(stored)) != wanted)) continue;
      found = true;
      if (auto it = std::find(saved_.begin(), saved_.end(), entry); it != saved_.end()) saved_.erase(it);
      if (std::find(toRestore_.begin(), toRestore_.end(), entry) == toRestore_.end()) toRestore_.push_back(entry);
    }
    if (!found) missing.push_back(given);
  }
  return missing;
}

void FileChooserModel::IncludeAll() {
  toRestore_.insert(toRestore_.end(), saved_.begin(), saved_.end());
  saved_.clear();
}

void FileChooserModel::ExcludeAll() {
  saved_.insert(saved_.end(), toRestore_.begin(), toRestore_.end());
  toRestore_.clear();
  std::stable_sort(saved_.begin(), saved_.end(), LessIgnoringCase);
}

std::vector<std::string> FileChooserModel::ExtractionList() const {
  // Each entry's name without its extension is made once; a file chosen
  // brings every entry of that name once, in the directory's order.
  std::unordered_map<std::string, std::vector<size_t>> byStem;
  for (size_t i = 0; i < entries_.size(); ++i) byStem[UpperAscii(EntryWithoutExtension(entries_[i]))].push_back(i);
  std::vector<std::string> list;
  for (const std::string& item : toRestore_) {
    const auto found = byStem.find(UpperAscii(EntryWithoutExtension(item)));
    if (found == byStem.end()) continue;
    for (size_t i : found->second) list.push_back(entries_[i]);
    byStem.erase(found);
  }
  return list;
}

std::string ExtractionBaseDir(const Job& job) {
  // A register on another machine restores under that machine's share root.
  if (job.registerFile.rfind("//", 0) == 0) return PathRoot(job.registerFile);
  if (!job.jobList.empty()) {
    std::string root = PathRoot(job.jobList.front());
    if (!root.empty()) return root;
  }
  return PathRoot(job.archiveDirectory);
}

std::vector<std::string> ExistingTargets(const std::vector<std::string>& entries, const std::string& baseDir) {
  std::vector<std::string> existing;
  for (const std::string& entry : entries) {
    std::string target = IncludeTrailingDelimiter(baseDir) + ForwardSlashes(entry);
    if (FileExists(target)) existing.push_back(std::move(target));
  }
  return existing;
}

std::string OverwriteWhere(const MessageTexts& texts, const std::vector<std::string>& existing) {
  std::vector<std::string> folders;
  for (const std::string& path : existing) {
    const std::string folder = ExtractFilePath(path);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  std::string where;
  for (size_t i = 0; i < folders.size() && i < 3; ++i) where += (i ? ", " : "") + folders[i];
  if (folders.size() > 3) where += ", ...";
  return texts.Text("msg_OverwriteWhere") + ": " + std::to_string(existing.size()) + " (" + where + ")";
}

std::vector<std::string> EntriesToWrite(
    const std::vector<ArchiveEntry>& entries, const std::string& baseDir, OverwriteMode mode,
    const std::function<std::optional<std::int64_t>(const std::string&)>& modified) {
  std::vector<std::string> names;
  for (const ArchiveEntry& e : entries) names.push_back(e.name);
  if (mode == OverwriteMode::Always || mode == OverwriteMode::Ask) return names;
  // The groups that must stay as they are on disk, by table name.
  std::set<std::string> kept;
  const std::string base = IncludeTrailingDelimiter(baseDir);
  for (const ArchiveEntry& e : entries) {
    const std::optional<std::int64_t> onDisk = modified(base + ForwardSlashes(e.name));
    if (!onDisk) continue;
    if (mode == OverwriteMode::Never || e.modified == 0 || *onDisk >= static_cast<std::int64_t>(e.modified))
      kept.insert(UpperAscii(EntryWithoutExtension(e.name)));
  }
  std::vector<std::string> write;
  for (const std::string& name : names)
    if (!kept.count(UpperAscii(EntryWithoutExtension(name)))) write.push_back(name);
  return write;
}

std::string ExtractResult::Summary() const { return Summary(MessageTexts()); }

std::string ExtractResult::Summary(const MessageTexts& texts) const {
  std::string line;
  if (!stopKey.empty())
    line = texts.Format(stopKey, stopArgs) + (stopCause.empty() ? "" : " (" + stopCause + ")");
  else if (archive.empty())
    line = texts.Text("sum_NoArchive");
  else if (keptExisting > 0 && !extracted)
    line = texts.Format("sum_KeptExisting", {archive, std::to_string(keptExisting)});
  else if (!extracted)
    line = texts.Format("sum_NoFile", {archive});
  else
    line = texts.Format("sum_Restored", {std::to_string(written), std::to_string(entries.size()), archive, baseDir}) +
           (keptExisting > 0 ? "; " + texts.Format("sum_Kept", {std::to_string(keptExisting)}) : "");
  return line + OutcomeTail(texts, problems, logFailure, logFailureKey, logFailureDetail, logFile);
}

int ExtractResult::ExitStatus() const {
  if (!extracted || written <= 0) return kRestoreNothing;
  return static_cast<size_t>(written) < entries.size() || problems > 0 ? kRestorePartial : kCommandDone;
}

Extraction::Extraction(ArchiveBackend& backend, const MessageTexts& texts, CompanionPredicate isCompanion)
    : backend_(backend), texts_(texts), isCompanion_(isCompanion ? std::move(isCompanion) : IsTableCompanion) {}

std::optional<std::vector<std::string>> Extraction::WhatToWrite(const std::vector<std::string>& safe,
                                                                const std::string& baseDir, const std::string& archive,
                                                                int& kept) {
  const std::vector<std::string> existing = ExistingTargets(safe, baseDir);
  if (existing.empty() || overwrite == OverwriteMode::Always) return safe;
  if (overwrite == OverwriteMode::Ask) {
    if (!confirmOverwrite || confirmOverwrite(existing)) return safe;
    kept = static_cast<int>(existing.size());
    return std::nullopt;
  }
  // Entry times are only read to weigh files against them.
  std::vector<ArchiveEntry> weighed;
  const std::vector<ArchiveEntry> listed =
      overwrite == OverwriteMode::Older ? backend_.Entries(archive) : std::vector<ArchiveEntry>();
  for (const std::string& name : safe) {
    auto it = std::find_if(listed.begin(), listed.end(), [&](const ArchiveEntry& e) { return e.name == name; });
    weighed.push_back(it != listed.end() ? *it : ArchiveEntry{name, 0, 0});
  }
  std::vector<std::string> write = EntriesToWrite(weighed, baseDir, overwrite, [](const std::string& path) {
    return FileExists(path) ? FileMTime(path) : std::nullopt;
  });
  std::set<std::string> written;
  for (const std::string& name : write) written.insert(IncludeTrailingDelimiter(baseDir) + ForwardSlashes(name));
  for (const std::string& path : existing) kept += written.count(path) ? 0 : 1;
  if (write.empty()) return std::nullopt;
  return write;
}

ExtractResult Extraction::Run(const Job& job, const std::string& chosenArchive, bool wholeArchive) {
  ExtractResult result;
  MessageLog log(texts_, job.archiveDirectory, showMessages_);
  ProgressScope progress(*observer_, backend_);
  auto finish = [&] {
    result.problems = log.ProblemCount();
    result.problemTexts = log.Problems();
    result.logFile = log.WrittenTo();
    result.logFailure = log.LogFailure();
    result.logFailureKey = log.LogFailureKey();
    result.logFailureDetail = log.LogFailureDetail();
    return result;
  };
  auto stop = [&](const std::string& key, std::vector<std::string> args, const std::string& cause) {
    result.stopKey = key;
    result.stopArgs = std::move(args);
    result.stopCause = cause;
    return finish();
  };
  if (chosenArchive.empty()) {
    if (namedArchive.empty()) return result;  // the chooser was closed
    log.Error(texts_.Text("msg_NoSuchArchive") + " \"" + namedArchive + "\"");
    return stop("sum_NoSuchArchive", {namedArchive}, "");
  }

  const std::string baseDir = targetDir.empty() ? ExtractionBaseDir(job) : IncludeTrailingDelimiter(targetDir);
  result.archive = chosenArchive;
  result.baseDir = baseDir;
  // Nothing is restored into a place that cannot be made.
  if (!targetDir.empty() && !DirectoryExists(targetDir) && !ForceDirectories(targetDir)) {
    const std::string cause = std::strerror(errno);
    log.DirectoryNotCreated(targetDir, cause);
    return stop("sum_FolderNotMade", {chosenArchive, targetDir}, cause);
  }
  // The archive is read once; what the listing decided about each name
  // (a folder, or an unsafe name and why) holds for the restore too.
  const ArchiveListing listing = backend_.ListEntries(chosenArchive, 0);
  if (!listing.readable) {
    // The reason's first line; the engine names the archive on the next.
    const std::string why = listing.problem.substr(0, listing.problem.find('\n'));
    log.Error(texts_.Text("msg_ArchiveUnreadable") + " \"" + chosenArchive + "\"" + (why.empty() ? "" : ": " + why));
    return stop("sum_Unreadable", {chosenArchive}, why);
  }
  std::vector<std::string> names;
  names.reserve(listing.entries.size());
  std::unordered_map<std::string, const ListedEntry*> byName;
  for (const ListedEntry& entry : listing.entries) {
    names.push_back(entry.name);
    byName.emplace(entry.name, &entry);
  }
  std::vector<std::string> list;
  if (wholeArchive) {
    list = names;
  } else {
    FileChooserModel model(names, isCompanion_);
    if (!namedFiles.empty()) {
      for (const std::string& missing : model.IncludeNamed(namedFiles))
        log.Error(texts_.Text("msg_NotInArchive") + " \"" + missing + "\"");
    } else if (!chooseFiles || !chooseFiles(model)) {
      return finish();
    }
    list = model.ExtractionList();
  }

  std::vector<std::string> safe;
  for (const std::string& name : list) {
    const auto found = byName.find(name);
    // A folder entry (also "./", the target itself) has nothing to restore.
    if (found == byName.end() || found->second->folder) continue;
    if (found->second->unsafe.empty())
      safe.push_back(name);
    else
      log.Error(texts_.Text("msg_UnsafeEntry") + " \"" + name + "\"");
  }
  if (wholeArchive && safe.empty()) return stop("sum_NothingToRestore", {chosenArchive}, "");
  // The accounting data in place may be newer than the archive.
  const std::optional<std::vector<std::string>> write = WhatToWrite(safe, baseDir, chosenArchive, result.keptExisting);
  if (!write) return finish();
  if (!write->empty()) {
    observer_->SetTitle("ZIPPING");
    result.extracted = true;
    result.entries = safe;
    try {
      result.written = backend_.Extract(chosenArchive, *write, baseDir);
    } catch (const std::exception& e) {
      log.Error(e.what());
    }
  }
  return finish();
}

}  // namespace orn
