// Writing a changed table back: the data blocks are laid out anew, full and
// in the table's order, the primary index is rebuilt to match, and both
// files are written beside their targets and renamed over them only when
// both are complete, with a journal that lets the next opening complete a
// change cut short between the renames.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ParadoxFormat.h"

namespace orn::paradox {

// The .DB bytes for `records` under `table`'s header.
std::string BuildTableBytes(const TableImage& table, const std::vector<std::string>& records);

// Replaces every (path, bytes) pair as one change (a table and its index
// never end up from different changes, even when the program dies half way;
// the next Open completes such a change). Throws TableError naming the file
// that failed.
void CommitFiles(const std::vector<std::pair<std::string, std::string>>& files);

// Throws TableError when the file cannot be changed safely: not writable,
// or locked by another program.
void CheckWritable(const std::string& path);

}  // namespace orn::paradox
