// The tables of an archive run, taken as snapshots before zipping. The
// accounting program may be writing a table while the scheduled backup
// starts; a table copied half way through a change does not restore. So
// each Paradox table of the run list is copied with its companion files
// into a folder of the run's own, the copy is checked (TableCheck), and a
// copy that fails is taken again after a short wait, when the writer has
// usually finished. The zip engine then archives the checked copies under
// the tables' own names, never the live files a second time.
//
// Data flow: run list -> tables (a .DB that reads as a Paradox table, or one
// the register names) with their companions -> copies -> checks (-> waits
// and copies again) -> the list to zip and a verdict per table.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "TableCheck.h"

namespace orn {

struct Job;
class MessageLog;
class RunObserver;

// The folder of the run's temporary directory that holds the copies.
inline constexpr const char* kTableCopiesFolder = "Tables";

// How often a table that fails its checks is copied again, and how.
struct TableCheckOptions {
  int tries = 3;
  int waitMilliseconds = 5000;  // between two tries
  // Waits between tries; unset, the run sleeps while window messages run.
  std::function<void(int milliseconds)> wait;
};

// What became of one table of the run list.
struct TableVerdict {
  std::string path;                    // its .DB as the run list names it
  TableCheck check;                    // of the last copy taken
  int tries = 0;                       // copies taken
  std::string copyError;               // why no copy could be taken: archived unchecked
  std::vector<std::string> lockFiles;  // the accounting program's lock files beside it
};

class TableSnapshots {
 public:
  // `folder` receives the copies; it is emptied first and removed with this
  // object. With an empty folder nothing is copied: the tables are checked
  // where they are.
  explicit TableSnapshots(std::string folder);
  ~TableSnapshots();
  TableSnapshots(const TableSnapshots&) = delete;
  TableSnapshots& operator=(const TableSnapshots&) = delete;

  // Takes and checks every table of `runList`. `registerFiles` names the
  // files the job's register lists, which are tables whatever their bytes
  // say; it is asked only about a .DB that does not read as a table.
  // Returns the list to zip: `runList` with every file of a copied table
  // replaced by its copy's path relative to Root(), which the zip engine
  // stores as the table's own path; everything else as it was.
  std::vector<std::string> Take(const std::vector<std::string>& runList,
                                const std::function<bool(const std::string&)>& registerFiles,
                                const TableCheckOptions& options, RunObserver& observer);

  // Where the copies are, with a trailing separator; empty when none was taken.
  std::string Root() const;
  // Removes the copies once they are zipped: copies removed before the
  // system writes them out are never written to the disk at all.
  void RemoveCopies();
  const std::vector<TableVerdict>& Verdicts() const { return verdicts_; }
  // The tables whose every copy failed a check.
  std::vector<std::string> Torn() const;

 private:
  static constexpr std::size_t kSnapshotThreads = 2;
  // Copies one table's files (when there is a folder) and checks the copy,
  // into `v`; true when a copy was made.
  bool SnapshotOne(const std::vector<std::string>& files, const TablePaths& parts, int attempt, TableVerdict& v) const;

  std::string folder_;
  bool copied_ = false;
  std::vector<TableVerdict> verdicts_;
};

// Tells the tables of the job's register apart: true for a file of the
// register list of `job`. The register is read once, on the first question;
// an unreadable register names nothing.
std::function<bool(const std::string&)> RegisterFilesOf(const Job& job);

// The log lines of a run's verdicts: each torn table and each table that
// could not be copied is a problem; the tables open in the accounting
// program that checked consistent are noted in one line.
void LogTableVerdicts(const std::vector<TableVerdict>& verdicts, MessageLog& log);

// One line per table for a person reading a terminal: the path and the
// verdict with its figures.
std::string DescribeVerdict(const TableVerdict& verdict);

}  // namespace orn
