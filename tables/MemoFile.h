// Memo and blob data of a Paradox table. A field keeps its first bytes in
// the record (the leader) and, when the value is longer, the rest in the
// table's .MB file: either a block of its own or a slot of a block shared by
// small values. The .MB is read here with bounds checks, so a damaged or
// missing memo file makes the value unavailable (an error naming the file)
// and never takes the program down.
#pragma once

#include <optional>
#include <string>

#include "ParadoxFormat.h"

namespace orn::paradox {

class MemoFile {
 public:
  // `path` is where the .MB would be; it is read on first need.
  explicit MemoFile(std::string path) : path_(std::move(path)) {}

  // The value's bytes (a Graphic without its eight-byte preamble). An empty
  // field gives "". Throws TableError when the data is not available.
  std::string Read(const FieldInfo& field, const char* record);

 private:
  const std::string& Bytes();

  std::string path_;
  std::optional<std::string> bytes_;
};

// Where the memo file of `tablePath` lies: the same base name with ".MB" (or
// ".mb" when the table's extension is lower case, as copied tables have it).
std::string MemoFilePath(const std::string& tablePath);

}  // namespace orn::paradox
