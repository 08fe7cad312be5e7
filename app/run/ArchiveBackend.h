// What the archive run and the extraction need from a zip engine, kept small
// so that the run can be tested with a fake and driven by the real engine
// through an adapter. An archive is named by the files it occupies: one file,
// or the volumes of a spanned set in volume order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace orn {

// One thing a job could not do: how many items it concerns, the engine's
// identifier, the archive, file or entry it names (may be empty) and the
// engine's text.
struct BackendFailure {
  int count = 1;
  int ident = 0;
  std::string file;
  std::string text;

  // One line for a log or a window: the text, then the file when the text
  // does not name it already.
  std::string Describe() const {
    if (file.empty() || text.find(file) != std::string::npos) return text;
    return text.empty() ? file : text + ": " + file;
  }
};

// One entry of an archive's directory as a restore weighs it: its stored
// name, its size and the time of the file it was made from (0 when the
// back-end does not know it).
struct ArchiveEntry {
  std::string name;
  std::int64_t size = 0;
  std::time_t modified = 0;
};

// Receives the engine's progress and messages while a job runs.
class ArchiveBackendObserver {
 public:
  virtual ~ArchiveBackendObserver() = default;
  // A file is being processed; `fileName` may be empty.
  virtual void OnProgress(const std::string& fileName) = 0;
  // `bytes` more of the job's data were processed (inside a file, too).
  virtual void OnBytes(std::int64_t /*bytes*/) {}
  // The job will process `files` files holding `bytes` bytes (known once
  // the archive has been read, for a test or an extraction).
  virtual void OnTotals(int /*files*/, std::int64_t /*bytes*/) {}
  // A message the engine reports (its identifier and text).
  virtual void OnMessage(int code, const std::string& text) = 0;
  // The one way a back-end tells a failure; by default it arrives as a
  // message with the failure's identifier.
  virtual void OnFailure(const BackendFailure& failure) { OnMessage(failure.ident, failure.Describe()); }
  // Let pending window messages run: called all along a job, often.
  virtual void LetWindowsRun() {}
};

// One entry of an archive as listed: its name, read once, and where it may
// be written, decided once (an unsafe name says why not).
struct ListedEntry {
  std::string name;
  bool folder = false;
  std::string unsafe;
};

struct ArchiveListing {
  bool readable = false;
  std::string problem;               // the first failure reported while listing, if any
  std::vector<ListedEntry> entries;  // in directory order
  // The code pages names without the UTF-8 mark were read in, and whether
  // they are not the language's (found from the names, or chosen).
  int oemCodePage = 0;
  int ansiCodePage = 0;
  int chosenCodePage = 0;
  bool detected = false;
};

// What to do with a file an extraction would replace: one on disk, or one
// the same extraction wrote under that name (a flat extraction of
// same-named files from different folders).
enum class ReplaceAnswer { Skip, Replace, KeepBoth, Cancel };
using ReplaceQuestion = std::function<ReplaceAnswer(const std::string& file, bool writtenByThisJob, bool mayKeepBoth)>;

struct ExtractRequest {
  std::string baseDir;
  bool withFolders = true;     // recreate the stored folders; else every file lands in baseDir
  ReplaceQuestion askReplace;  // none: existing files are replaced
};

class ArchiveBackend {
 public:
  virtual ~ArchiveBackend() = default;

  // Progress and messages go to `observer` (may be null) until changed.
  virtual void SetObserver(ArchiveBackendObserver* observer) = 0;
  // Volumes on: Add writes zipFileName's base name + "001".. + extension,
  // each at most maxVolumeSize bytes.
  virtual void SetVolumes(bool on, std::int64_t maxVolumeSize) = 0;

  // Relative names in Add's `fileSpecs` are read below `rootDir` and stored
  // as written; absolute names are read and stored as they are. Empty: the
  // current folder. Holds until changed.
  virtual void SetRootDir(const std::string& rootDir) = 0;
  // Nobody is at the screen until changed (a command that ends the
  // program): a question of the engine (the next removable disk) ends the
  // job with a failure that names what was wanted, instead of waiting.
  virtual void SetUnattended(bool /*unattended*/) {}

  // Compresses every file named in `fileSpecs` into `zipFileName`, storing
  // directory names. Returns how many files were added; 0 means nothing
  // usable was written (the reason went to the observer).
  virtual int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) = 0;
  // Reads every entry of the archive and checks its CRC. False, with the
  // first failure's description in `error`, when the archive cannot be read
  // or an entry is bad. Every failure of every call also reaches the
  // observer's OnFailure.
  virtual bool Test(const std::vector<std::string>& archiveFiles, std::string* error) = 0;
  // Entry names as stored, in directory order; empty when unreadable.
  virtual std::vector<std::string> List(const std::string& archivePath) = 0;
  // The same entries with their sizes and times; without them by default.
  virtual std::vector<ArchiveEntry> Entries(const std::string& archivePath);
  // Extracts the named entries with their stored directories under
  // `baseDir`, overwriting existing files. Returns how many were written.
  virtual int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
                      const std::string& baseDir) = 0;
  // Entry names from DOS-era tools are read in the OEM code page that goes
  // with this character set (186 Baltic, 204 Cyrillic).
  virtual void SetNamesCharset(int /*charset*/) {}
  // Asks the job under way to stop as soon as it can (the person pressed
  // Cancel); what it wrote so far is the caller's to throw away.
  virtual void Cancel() {}
  // True once the person stopped the job (the progress window's Cancel):
  // what failed after that failed because it was stopped, not because a
  // disk or an archive is damaged.
  virtual bool Cancelled() const { return false; }

  // The archive's entries with what the listing decided about them, names
  // without the UTF-8 mark read in `codePage` (0: the language's, or the
  // one they show). By default from List, every name taken as safe.
  virtual ArchiveListing ListEntries(const std::string& archivePath, int codePage);
  // Extracts the entries at these places of ListEntries' list, as
  // `request` says. By default by their names through Extract.
  virtual int ExtractListed(const std::string& archivePath, const std::vector<std::size_t>& listed,
                            const ExtractRequest& request);
};

inline std::vector<ArchiveEntry> ArchiveBackend::Entries(const std::string& archivePath) {
  std::vector<ArchiveEntry> entries;
  for (std::string& name : List(archivePath)) entries.push_back({std::move(name), 0, 0});
  return entries;
}

}  // namespace orn
