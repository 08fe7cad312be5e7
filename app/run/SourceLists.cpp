#include "SourceLists.h"

#include "CompanionFiles.h"
#include "RunList.h"

namespace orn {

std::vector<std::string> DefaultRunList(const Job& job, MessageLog& log) {
  RunListProblems problems;
  std::vector<std::string> run = CollectRunFiles(job.registerFile, job.jobList, nullptr, &problems);
  if (!problems.cleaning.empty())
    log.Error(log.Texts().Text("msg_NoCleanRegister") + " \"" + job.registerFile + "\": " + problems.cleaning);
  for (const std::string& path : problems.missingTables) log.SourceNotFound(path);
  for (const std::string& path : problems.missingFiles) log.SourceNotFound(path);
  for (const std::string& folder : problems.missingFolders) log.SourceFolderNotFound(folder);
  return run;
}

bool IsTableCompanion(const std::string& fileName) { return IsCompanionFile(fileName); }

}  // namespace orn
