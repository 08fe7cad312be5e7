// Whether the files of a Paradox table, as copied at one moment, make a
// whole table: the kind of check a backup needs of a table that another
// program may be writing while it is copied. A writer half way through a
// change leaves a header that promises more (or fewer) records than the
// blocks hold, a file cut short, or an index from before the change.
//
// The checks read the header, the header of every data block, the primary
// index and nothing more, so that they cost little beside the copy itself.
#pragma once

#include <string>

namespace orn {

// The files of one table; `px` and `mb` are empty when the table has none
// beside it.
struct TablePaths {
  std::string db;
  std::string px;
  std::string mb;
};

struct TableCheck {
  bool sound = true;
  // False when the .DB does not even begin like a Paradox data table (so it
  // may be some other kind of file with the same extension).
  bool headerRead = true;
  // The check that failed: "header", "file size", "data blocks", "record
  // count", "primary index", "memo file"; and what it found, with figures
  // ("header says 200 records, the file holds 30").
  std::string check;
  std::string detail;
  long long records = 0;  // the header's record count
};

// Checks the table in `files`:
// - the header reads as a Paradox data table's;
// - the header's record count agrees with the records the data blocks hold
//   within the file;
// - every data block of the chain lies within the file and its record count
//   fits the block;
// - the file is exactly the header and the header's count of blocks, and no
//   more blocks are in use than it holds;
// - a keyed table's primary index, when there is one, describes its key and
//   counts the table's records, block by block;
// - a table with memo or blob fields has its memo file.
// Never throws; a file that cannot be read is a failed check.
TableCheck CheckTableFiles(const TablePaths& files);

// True when the file at `path` begins with a Paradox data table's header
// (reading the header only).
bool ReadsAsParadoxTable(const std::string& path);

}  // namespace orn
