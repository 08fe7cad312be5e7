// What the run and the extraction take from the source lists: the run list
// of a job (register files and the job list's files) and the companion-file
// rule: the run asks the source lists for these two things only.
#pragma once

#include <string>
#include <vector>

#include "Job.h"
#include "MessageLog.h"

namespace orn {

// Cleans the job's register and gathers the run list; throws before anything
// is zipped when the register or an alias is wrong. What could not be taken
// (a job list file or pattern folder that is missing, a register that could
// not be cleaned) is logged, each line a problem of the run.
std::vector<std::string> DefaultRunList(const Job& job, MessageLog& log);
// True for the index, memo and view files that go with a table.
bool IsTableCompanion(const std::string& fileName);

}  // namespace orn
