#include "CheckTables.h"

#include <ostream>
#include <set>

#include "CommandLine.h"
#include "CompanionFiles.h"
#include "FileSystem.h"
#include "JobFile.h"
#include "Register.h"
#include "RunList.h"
#include "RunObserver.h"

namespace orn {

int CheckTablesCommand(const std::string& jobFile, std::ostream& out, std::ostream& err,
                       const TableCheckOptions& options) {
  std::vector<std::string> runList;
  std::set<std::string> registerKeys;
  try {
    const Job job = ReadJobFile(jobFile, Job{});
    if (!job.registerFile.empty() && !FileExists(job.registerFile)) {
      err << "The register \"" << job.registerFile << "\" of the job \"" << jobFile << "\" does not exist\n";
      return kCommandNotRun;
    }
    std::vector<std::string> registerList = BuildRegisterList(job.registerFile);
    for (const std::string& f : registerList) registerKeys.insert(ListKey(f));
    runList = BuildRunList(registerList, job.jobList);
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return kCommandNotRun;
  }

  RunObserver quiet;
  TableSnapshots checks("");
  checks.Take(
      runList, [&registerKeys](const std::string& path) { return registerKeys.count(ListKey(path)) > 0; }, options,
      quiet);
  if (checks.Verdicts().empty()) out << "No tables among the job's files\n";
  for (const TableVerdict& v : checks.Verdicts()) out << DescribeVerdict(v) << "\n";
  return checks.Torn().empty() ? kCommandDone : kCommandWithProblems;
}

}  // namespace orn
