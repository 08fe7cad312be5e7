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
#include "Job.h"
#include "MessageLog.h"
#include "RunObserver.h"

namespace orn {

// One row of the archive chooser: the file name and its date ("dd.mm.yyyy").
struct ArchiveRow {
  std::string fileName;
  std::string date;
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

using CompanionPredicate = std::function<bool(const std::string& fileName)>;

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
  // paths. True to replace them; false restores nothing. Without it nothing
  // is asked (the unattended behaviour).
  std::function<bool(const std::vector<std::string>& existing)> confirmOverwrite;

  // The extract step after the archive chooser: an empty `chosenArchive`
  // means no archive was chosen. With `wholeArchive` every entry is
  // restored, otherwise the files chosen in the file chooser.
  ExtractResult Run(const Job& job, const std::string& chosenArchive, bool wholeArchive);

 private:
  ArchiveBackend& backend_;
  const MessageTexts& texts_;
  CompanionPredicate isCompanion_;
  RunObserver defaultObserver_;
  RunObserver* observer_ = &defaultObserver_;
  bool showMessages_ = false;
};

}  // namespace orn
