// Companion files: the index, memo, validity and view files that accompany
// a Paradox table. They are archived like any other file, but hidden in the
// file lists and moved with their table.
#pragma once

#include <string>

namespace orn {

// True when the extension of `path`'s file name (compared upper-cased) is
// .PX, .MB, .VAL, .TV, .FAM, .XG0-.XG9, .YG0-.YG9, or .X/.Y followed by a
// two-digit index number 01-FF (secondary index numbers are hexadecimal,
// so a table with more than nine fields has .X0A, .X0C, ...).
bool IsCompanionFile(const std::string& path);

// `path` without the extension of its file name ("everything from the last
// '.' on"); a dot inside a directory name is left alone.
std::string WithoutExtension(const std::string& path);

// Upper-cased and trimmed, the form in which list entries are compared.
std::string ListKey(const std::string& entry);

}  // namespace orn
