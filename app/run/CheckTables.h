// "archivator --check-tables JOB": the table checks of a job's archive run
// on their own, for an administrator who wants to know whether the tables
// would be archived whole right now. The tables are checked where they
// are; nothing is cleaned, copied or written.
#pragma once

#include <iosfwd>
#include <string>

#include "TableSnapshot.h"

namespace orn {

// Reads the job file, gathers its run list as a run would (without
// cleaning the register), checks every table in it, trying a failing one
// again as a run does, and prints one line per table to `out`. Returns 0
// when every table is consistent, 1 when some is not, 3 when the checks
// cannot run (a job file or register that cannot be read, an unknown
// alias); why goes to `err`.
int CheckTablesCommand(const std::string& jobFile, std::ostream& out, std::ostream& err,
                       const TableCheckOptions& options = {});

}  // namespace orn
