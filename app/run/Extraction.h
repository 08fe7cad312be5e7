// Restoring from a job's archives, without the windows: which archives the
// archive chooser lists, what the file chooser holds and how its buttons move
// names, which entries a choice restores (a table brings its companion files
// in any letter case), the base directory the entries are restored under,
// and the extract step that hands all that to the back-end.
//
// Data flow: Job -> ListArchives -> (chooser) chosen archive -> back-end List
// -> FileChooserModel -> extraction list -> back-end Extract under the base
// directory; errors go to the message log as "ERROR".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "CommandLine.h"
#include "Job.h"
#include "MessageLog.h"
#include "RunObserver.h"

namespace orn {

// One row of the archive chooser: the file name and its date ("dd.mm.yyyy"),
// with the file's time (seconds since the epoch) and the bytes of the whole
// archive (every volume of a set).
struct ArchiveRow {
  std::string fileName;
  std::string date;
  std::int64_t modified = 0;
  std::int64_t size = 0;
};

// The two grids of the archive chooser: the rotating generations
// (archive directory + archive name + "*.zip") and the unique saves (the
// unique folder + archive name + "*.zip"). An empty list leaves its grid
// disabled.
struct ArchiveChoices {
  std::string archiveDirectory;
  std::vector<ArchiveRow> rotating;
  std::vector<ArchiveRow> unique;
};
ArchiveChoices ListArchives(const Job& job);
// What the archive chooser does before it lists the folders: a volume set
// whose replacement was cut short is completed, so that only whole sets are
// offered, and leftovers of killed runs are removed.
void CompleteInterruptedSets(const Job& job);
// The full path of a row chosen in the unique grid or the rotating grid.
std::string ChosenArchivePath(const Job& job, bool fromUniqueGrid, const std::string& fileName);

// An entry name without the extension of its file part; "\" and "/" both
// separate directories in stored names.
std::string EntryWithoutExtension(const std::string& entryName);
// False for a listed name that would land outside the base directory: an
// absolute name, a drive, or a ".." step (the zip engine's one name rule).
bool IsSafeEntryName(const std::string& entryName);
// The files that `entries` (stored names, "\" or "/" between folders)
// would replace under `baseDir`: those that already exist, as full paths.
std::vector<std::string> ExistingTargets(const std::vector<std::string>& entries, const std::string& baseDir);

// The second line of the question before a restore replaces files: how many
// and in which folders (the first three), so that the person sees which data
// would be replaced.
std::string OverwriteWhere(const MessageTexts& texts, const std::vector<std::string>& existing);

using CompanionPredicate = std::function<bool(const std::string& fileName)>;

// The entries of `entries` to write when some of their files exist under
// `baseDir` and files that exist are to be kept (Never) or replaced only by a
// newer copy (Older). A table and its companion files (one name, any
// extension, any letter case) are written or kept together, so that a
// table never meets an index of another day: a group is kept when one of its
// files exists (Never) or one of its existing files is not older than its
// entry (Older). `modified` answers an existing file's time, nothing when
// it does not exist. Always and Ask write everything.
std::vector<std::string> EntriesToWrite(const std::vector<ArchiveEntry>& entries, const std::string& baseDir,
                                        OverwriteMode mode,
                                        const std::function<std::optional<std::int64_t>(const std::string&)>& modified);

// The file chooser: the archive's files not yet chosen (sorted, companion
// files hidden) and the files to restore, and the effect of its buttons.
class FileChooserModel {
 public:
  FileChooserModel(std::vector<std::string> dirEntries, const CompanionPredicate& isCompanion);

  const std::vector<std::string>& Saved() const { return saved_; }
  const std::vector<std::string>& ToRestore() const { return toRestore_; }

  // ">": moves the selected items (indexes into Saved) to the end of
  // ToRestore, the last first. Returns the row of Saved to select afterwards
  // (the first selected row, 0 with none, the last row past the end), or
  // nothing when Saved is empty.
  std::optional<size_t> Include(const std::vector<size_t>& selected);
  // "<": the same from ToRestore back into Saved (which stays sorted).
  std::optional<size_t> Exclude(const std::vector<size_t>& selected);
  // Chooses the files named on a command line, as ">" would: a name with a
  // folder matches a stored name, one without matches an entry's file name
  // (either separator, any letter case). Returns the names that match no
  // file of the archive.
  std::vector<std::string> IncludeNamed(const std::vector<std::string>& names);
  void IncludeAll();  // ">>"
  void ExcludeAll();  // "<<"
  bool CanInclude() const { return !saved_.empty(); }
  bool CanExclude() const { return !toRestore_.empty(); }

  // OK: every entry, in directory order, whose name without extension equals
  // a chosen name without extension, ignoring letter case; each once.
  std::vector<std::string> ExtractionList() const;

 private:
  std::vector<std::string> entries_;
  std::vector<std::string> saved_;
  std::vector<std::string> toRestore_;
};

// The directory entries are restored under: the root of the job's first
// file, or of the archive directory when the job list is empty; for a
// register on a network path, its server part ("//server/").
std::string ExtractionBaseDir(const Job& job);

struct ExtractResult {
  bool extracted = false;            // Extract was called
  std::vector<std::string> entries;  // what was asked for
  int written = 0;
  int problems = 0;
  std::vector<std::string> problemTexts;  // what the problems said, in order
  std::string archive;                    // the chosen archive
  std::string baseDir;                    // where the entries were to go
  int keptExisting = 0;                   // files left alone because overwriting was refused
  std::string logFile;                    // where the log lines went, if any
  std::string logFailure;                 // why the archive directory's log was not used
  std::string logFailureKey;              // its label name, and what follows the label
  std::string logFailureDetail;
  // Why nothing was restored when the restore stopped before it reached
  // the entries (the archive named is not there, the folder cannot be made,
  // the archive cannot be read or holds nothing to restore): the label of
  // the reason, what fills it in, and the cause when one is known.
  std::string stopKey;
  std::vector<std::string> stopArgs;
  std::string stopCause;
  // One line for standard error (English, as scripts read it) and, in the
  // window's language, for the status bar and the message window.
  std::string Summary() const;
  std::string Summary(const MessageTexts& texts) const;
  // For an unattended restore: 0 when every entry asked for was written,
  // kRestorePartial (4) when some were not (or a problem was logged),
  // kRestoreNothing (5) when nothing was restored. A restore has statuses of
  // its own: "no generation made" (2) says nothing about a restore.
  int ExitStatus() const;
};

class Extraction {
 public:
  // `isCompanion` decides which names the file chooser hides; the source
  // lists' rule (IsTableCompanion) unless given.
  Extraction(ArchiveBackend& backend, const MessageTexts& texts, CompanionPredicate isCompanion = {});

  void SetObserver(RunObserver* observer) { observer_ = observer ? observer : &defaultObserver_; }
  void SetShowMessages(bool show) { showMessages_ = show; }

  // Shows the file chooser; true on OK, false on Cancel.
  std::function<bool(FileChooserModel&)> chooseFiles;
  // Asked before a restore replaces files that exist, with their full
  // paths, when `overwrite` is Ask. True to replace them; false restores
  // nothing. Without it nothing is asked and they are replaced.
  std::function<bool(const std::vector<std::string>& existing)> confirmOverwrite;
  // What happens to files that exist ("--overwrite"); see EntriesToWrite.
  OverwriteMode overwrite = OverwriteMode::Ask;
  // Files named on the command line take the file chooser's place.
  std::vector<std::string> namedFiles;
  // Where the entries go instead of ExtractionBaseDir ("--to"), their
  // stored folders kept below it; made when missing.
  std::string targetDir;
  // The archive's file name as the command line gave it ("--archive"); an
  // empty chosen archive then means that no such archive was found.
  std::string namedArchive;

  // The extract step after the archive chooser: an empty `chosenArchive`
  // means no archive was chosen. With `wholeArchive` every entry is
  // restored, otherwise the files chosen in the file chooser.
  ExtractResult Run(const Job& job, const std::string& chosenArchive, bool wholeArchive);

 private:
  // The entries to write when some targets exist, as `overwrite` and the
  // person decide; nothing when nothing is to be written. `kept` counts the
  // existing files left alone.
  std::optional<std::vector<std::string>> WhatToWrite(const std::vector<std::string>& safe, const std::string& baseDir,
                                                      const std::string& archive, int& kept);

  ArchiveBackend& backend_;
  const MessageTexts& texts_;
  CompanionPredicate isCompanion_;
  RunObserver defaultObserver_;
  RunObserver* observer_ = &defaultObserver_;
  bool showMessages_ = false;
};

}  // namespace orn
