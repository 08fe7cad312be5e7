#include "ArchiveBackend.h"

namespace orn {

ArchiveListing ArchiveBackend::ListEntries(const std::string& archivePath, int /*codePage*/) {
  ArchiveListing listing;
  for (std::string& name : List(archivePath)) {
    ListedEntry entry;
    entry.folder = !name.empty() && name.back() == '/';
    entry.name = std::move(name);
    listing.entries.push_back(std::move(entry));
  }
  listing.readable = !listing.entries.empty();
  return listing;
}

int ArchiveBackend::ExtractListed(const std::string& archivePath, const std::vector<std::size_t>& listed,
                                  const ExtractRequest& request) {
  const std::vector<std::string> names = List(archivePath);
  std::vector<std::string> chosen;
  for (std::size_t i : listed)
    if (i < names.size()) chosen.push_back(names[i]);
  return chosen.empty() ? 0 : Extract(archivePath, chosen, request.baseDir);
}

}  // namespace orn
