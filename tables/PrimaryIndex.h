// The primary index (.PX) of a keyed table: one entry per data block, with
// the key of the block's first record, the block's number and how many
// records it holds. The layer writes data blocks full and in order, so the
// index is rebuilt from the records each time the table changes.
#pragma once

#include <string>
#include <vector>

#include "ParadoxFormat.h"

namespace orn::paradox {

// A fresh index header for `table` (used when the index is missing or the
// table is new). `tableName` is the index's own file name, e.g. "KONTI.PX".
std::string NewIndexHeader(const TableImage& table, const std::string& tableName);

// Checks that `header` (the bytes of an existing .PX header) belongs to
// `table`'s key; throws TableError naming `pxPath` otherwise.
void CheckIndexHeader(const TableImage& table, const std::string& header, const std::string& pxPath);

// The largest index block a table of `version` may have, in KB.
int MaxIndexBlockKb(int version);

// The whole .PX for `records` laid out `table.RecordsPerBlock()` to a data
// block, in one index block (grown up to MaxIndexBlockKb when needed).
// Throws TableError when the entries do not fit even then.
std::string BuildIndex(const TableImage& table, const std::string& header, const std::vector<std::string>& records,
                       const std::string& pxPath);

}  // namespace orn::paradox
