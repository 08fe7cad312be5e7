#include "JobGrid.h"

#include "CompanionFiles.h"

namespace orn {

bool HiddenInJobGrid(const std::string& path) { return IsCompanionFile(path); }

}  // namespace orn
