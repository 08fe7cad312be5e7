// The add-files window's rules without the window: what its two lists show
// for a folder, going up a level, and the entries its OK button returns.
#pragma once

#include <string>
#include <vector>

namespace orn {

struct AddFilesItem {
  std::string display;  // a folder as " NAME" (upper case), a file in lower case
  std::string name;     // the name on disk
  bool isDirectory = false;
};

struct AddFilesListing {
  std::vector<AddFilesItem> folders;  // the folder list (DRC), names upper-cased, sorted
  std::vector<AddFilesItem> entries;  // the entry list (LB): folders first, then files, sorted
};

// Lists `dir` (with a trailing separator; "" lists the current folder).
// Names beginning with '.' are left out; an unreadable folder lists nothing.
AddFilesListing ListForAddFiles(const std::string& dir);

// The folder one level up: "/a/b/" -> "/a/"; from the root "" (which lists
// the current folder, as the design has it).
std::string UpOneLevel(const std::string& dir);

// The OK button's list: the mask text when its trimmed text is not empty,
// then `dir` + the name on disk of each selected entry. The names on disk
// are used, not the upper- or lower-cased display texts, because this file
// system tells letter case apart.
std::vector<std::string> AddFilesResult(const std::string& dir, const std::string& maskText,
                                        const std::vector<AddFilesItem>& selected);

}  // namespace orn
