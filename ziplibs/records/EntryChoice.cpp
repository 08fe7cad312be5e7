#include "EntryChoice.h"

#include <algorithm>

#include "FileSystem.h"
#include "ZipNames.h"

namespace orn {
namespace {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool HasWildcard(const std::string& line) { return line.find_first_of("*?") != std::string::npos; }

}  // namespace

EntryChoice EntryChooser::Choose(const std::vector<std::string>& lines) {
  EntryChoice choice;
  if (lines.empty()) {
    choice.indexes.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) choice.indexes[i] = i;
    return choice;
  }
  std::vector<bool> chosen(entries_.size(), false);
  std::vector<std::string> scanned;  // wildcard and folder lines, in matching form
  std::vector<std::size_t> scannedLine;
  std::vector<bool> used(lines.size(), false);
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const std::string form = MatchingForm(lines[l]);
    if (form.empty()) {
      used[l] = true;  // an empty line asks for nothing
      continue;
    }
    if (HasWildcard(form) || form.back() == '/') {
      scanned.push_back(form);
      scannedLine.push_back(l);
      if (HasWildcard(form)) continue;
    }
    if (byName_.empty())
      for (std::size_t i = 0; i < entries_.size(); ++i) byName_.emplace(LowerAscii(MatchingForm(entries_[i].Name)), i);
    const auto [from, to] = byName_.equal_range(LowerAscii(form));
    for (auto it = from; it != to; ++it) chosen[it->second] = true;
    if (from != to) used[l] = true;
  }
  if (!scanned.empty()) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const std::string name = MatchingForm(entries_[i].Name);
      for (std::size_t k = 0; k < scanned.size(); ++k) {
        const std::string& line = scanned[k];
        const bool under = line.back() == '/' && name.compare(0, line.size(), line) == 0;
        if (under || (HasWildcard(line) && MatchesMask(name, line))) {
          chosen[i] = true;
          used[scannedLine[k]] = true;
        }
      }
    }
  }
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (chosen[i]) choice.indexes.push_back(i);
  for (std::size_t l = 0; l < lines.size(); ++l)
    if (!used[l]) choice.unmatched.push_back(lines[l]);
  return choice;
}

}  // namespace orn
