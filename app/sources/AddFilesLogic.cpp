#include "AddFilesLogic.h"

#include <algorithm>
#include <cctype>

#include "CompanionFiles.h"
#include "FileSystem.h"

namespace orn {

namespace {

std::string Cased(std::string text, bool upper) {
  for (char& c : text)
    c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                : std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Sorted lists compare text without regard to case; a leading blank puts
// folders before files.
void SortItems(std::vector<AddFilesItem>& items) {
  std::stable_sort(items.begin(), items.end(), [](const AddFilesItem& a, const AddFilesItem& b) {
    const std::string ka = Cased(a.display, true), kb = Cased(b.display, true);
    return ka != kb ? ka < kb : a.name < b.name;
  });
}

}  // namespace

AddFilesListing ListForAddFiles(const std::string& dir) {
  AddFilesListing listing;
  for (const auto& f : FindFiles(dir.empty() ? "." : dir, "*.*", FindWhat::Both)) {
    if (f.name.empty() || f.name[0] == '.') continue;
    if (f.isDirectory) {
      listing.folders.push_back({Cased(f.name, true), f.name, true});
      listing.entries.push_back({" " + Cased(f.name, true), f.name, true});
    } else {
      listing.entries.push_back({Cased(f.name, false), f.name, false});
    }
  }
  SortItems(listing.folders);
  SortItems(listing.entries);
  return listing;
}

std::string UpOneLevel(const std::string& dir) {
  if (dir.size() < 2) return "";
  const auto pos = dir.rfind(kPathDelim, dir.size() - 2);
  return pos == std::string::npos ? "" : dir.substr(0, pos + 1);
}

std::vector<std::string> AddFilesResult(const std::string& dir, const std::string& maskText,
                                        const std::vector<AddFilesItem>& selected) {
  std::vector<std::string> result;
  if (!ListKey(maskText).empty()) result.push_back(maskText);
  for (const auto& item : selected) result.push_back(dir + item.name);
  return result;
}

}  // namespace orn
