#include "SourceLists.h"

#include "CompanionFiles.h"
#include "RunList.h"

namespace orn {

std::vector<std::string> DefaultRunList(const Job& job) { return CollectRunFiles(job.registerFile, job.jobList); }

bool IsTableCompanion(const std::string& fileName) { return IsCompanionFile(fileName); }

}  // namespace orn
