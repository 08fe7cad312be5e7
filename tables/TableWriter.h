// Writing a changed table back: the data blocks are laid out anew, full and
// in the table's order, the primary index is rebuilt to match, and both
// files are written beside their targets and renamed over them only when
// both are complete, so an interrupted change leaves the old table.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ParadoxFormat.h"

namespace orn::paradox {

// The .DB bytes for `records` under `table`'s header.
std::string BuildTableBytes(const TableImage& table, const std::vector<std::string>& records);

// Writes every (path, bytes) pair through a temporary file in the same
// directory, then renames them all. Throws TableError naming the file that
// failed; on failure no target has been replaced unless an earlier rename
// already succeeded.
void CommitFiles(const std::vector<std::pair<std::string, std::string>>& files);

// Throws TableError when the file cannot be changed safely: not writable,
// or locked by another program.
void CheckWritable(const std::string& path);

}  // namespace orn::paradox
