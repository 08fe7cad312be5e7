// What a user chose, turned once into entry indexes of the directory that
// was read: the lines of FSpecArgs, the names given to ornzip extract, the
// files of a restore. Both the engine and the unzip library resolve through
// this one rule, so a line chooses the same entries wherever it is read.
//
// A line chooses every entry whose name (every "\" taken as "/") it names
// ignoring letter case, or matches as a wildcard (Windows find-file rules:
// "*.*" is everything, "KONTI.*" also finds "KONTI"); a line ending in "/"
// also chooses everything under that folder. Lines without wildcards are
// looked up in a hash of the names, the others matched in one pass over the
// entries, so a choice of many thousand names costs one pass, not one per
// name.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "ZipDirEntry.h"

namespace orn {

struct EntryChoice {
  std::vector<std::size_t> indexes;    // chosen entries, in directory order, each once
  std::vector<std::string> unmatched;  // lines that chose nothing, as given
};

class EntryChooser {
 public:
  explicit EntryChooser(const std::vector<ZipDirEntry>& entries) : entries_(entries) {}

  // The entries `lines` choose; no lines choose every entry.
  EntryChoice Choose(const std::vector<std::string>& lines);

 private:
  const std::vector<ZipDirEntry>& entries_;
  // Entries by their name in the form lines are compared in, built on the
  // first lookup.
  std::unordered_multimap<std::string, std::size_t> byName_;
};

}  // namespace orn
