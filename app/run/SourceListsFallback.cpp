// Used only when the source lists are not part of the build: the run then
// needs its run list from the caller.
#include <stdexcept>

#include "SourceLists.h"

namespace orn {

std::vector<std::string> DefaultRunList(const Job&, MessageLog&) {
  throw std::logic_error("The archive run needs the source lists to gather its files");
}

bool IsTableCompanion(const std::string&) { return false; }

}  // namespace orn
