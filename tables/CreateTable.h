// Creating a new, empty Paradox table from a field list: a format 7.0 (or
// 4.0 and later) .DB, and its primary index .PX when it has key fields.
#pragma once

#include <string>
#include <vector>

#include "ParadoxFormat.h"

namespace orn {

struct FieldDef {
  std::string name;  // UTF-8; stored in the table's code page, at most 25 characters
  paradox::FieldType type = paradox::kAlpha;
  // Alpha and Bytes: characters; memos and blobs: bytes kept in the record
  // (10 to 250); BCD: decimals; ignored for the other types.
  int size = 0;
};

struct TableOptions {
  int keyFields = 0;    // the first this many fields form the primary key
  int codePage = 1257;  // the code page texts are kept in
  int version = paradox::kVersion70;
  int blockSizeKb = 2;  // 1, 2, 4, 8, 16 or 32
};

// Creates the table at `path` (".DB" in the name). Throws TableError naming
// the file when it exists already, when a field is not valid, or when the
// files cannot be written; nothing is left behind then.
void CreateTable(const std::string& path, const std::vector<FieldDef>& fields, const TableOptions& options = {});

}  // namespace orn
