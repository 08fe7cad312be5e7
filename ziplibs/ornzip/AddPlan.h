// What an add job writes, decided before anything is written: every entry of
// the old archive is kept or replaced by a newer file (freshen, update), new
// files are appended, and files whose suffix is on the store list are not
// compressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveWriter.h"
#include "FileCollector.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

// ".gif:.png:z" -> {".gif", ".png", ".z"}, lower case.
std::vector<std::string> SplitSuffixes(const std::string& list);

struct AddPlan {
  std::vector<WriteItem> items;  // in archive order: the old entries' places first
  std::int64_t totalBytes = 0;   // of the files to add
  std::int64_t newCount = 0;     // files to add
};

// `update`: replace older entries and add new files; `freshen` (without
// update): only replace older entries. Neither: every file replaces its
// entry or is added.
AddPlan PlanAdd(const std::vector<ZipDirEntry>& old, std::vector<FileToAdd>& files, bool update, bool freshen,
                const std::vector<std::string>& storeSuffixes);

}  // namespace orn::zipfmt
