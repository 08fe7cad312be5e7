#include "RunList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <unordered_map>

#include "CompanionFiles.h"
#include "FileSystem.h"
#include "Register.h"
#include "TableError.h"
#include "TextUtil.h"

namespace orn {

bool IsPattern(const std::string& entry) { return entry.find_first_of("*?") != std::string::npos; }

std::vector<std::string> BuildRunList(std::vector<std::string>& registerList, const std::vector<std::string>& jobList,
                                      RunListProblems* problems) {
  std::set<std::string> known;
  for (const auto& e : registerList) known.insert(ListKey(e));
  for (const auto& e : jobList)
    if (known.insert(ListKey(e)).second) registerList.push_back(e);

  // The program's own temporary files (a copy or a table change cut short)
  // are never archived, whatever pattern or register mask finds them. A list
  // may name a hundred thousand files: each is looked up once.
  std::unordered_map<std::string, bool> existing;
  auto exists = [&existing](const std::string& path) {
    auto [it, fresh] = existing.try_emplace(path, false);
    if (fresh) it->second = FileExists(path);
    return it->second;
  };
  std::vector<std::string> run;
  std::set<std::string> reported;
  for (const auto& e : jobList) {
    // The job file keeps empty lines in its list; they name nothing.
    if (Trim(e).empty()) continue;
    if (!IsPattern(e)) {
      if (problems && !exists(e) && reported.insert(ListKey(e)).second) problems->missingFiles.push_back(e);
      continue;
    }
    const std::string dir = ExtractFilePath(e);
    if (!dir.empty() && !DirectoryExists(dir)) {
      if (problems && reported.insert(ListKey(dir)).second) problems->missingFolders.push_back(dir);
      continue;
    }
    for (const auto& f : FindFiles(dir.empty() ? "." : dir, ExtractFileName(e), FindWhat::Files))
      if (!IsTemporaryName(f.name) && FileExists(dir + f.name)) run.push_back(dir + f.name);
  }
  for (const auto& e : registerList)
    if (!IsPattern(e) && !IsTemporaryName(ExtractFileName(e)) && exists(e)) run.push_back(e);
  return run;
}

namespace {
// A register the job names but that is not there (an unmounted share, a
// renamed folder) or cannot be read would give a backup of less than the
// job asks for, reported as success.
void CheckRegisterReadable(const std::string& registerPath) {
  struct stat st {};
  if (::stat(registerPath.c_str(), &st) != 0)
    throw TableError(registerPath, std::string("The register cannot be found: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw TableError(registerPath, "The register is not a file");
  int fd = ::open(registerPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw TableError(registerPath, std::string("The register cannot be read: ") + std::strerror(errno));
  ::close(fd);
}
}  // namespace

std::vector<std::string> CollectRunFiles(const std::string& registerPath, const std::vector<std::string>& jobList,
                                         std::vector<std::string>* registerList, RunListProblems* problems) {
  std::vector<std::string> list;
  if (problems) *problems = {};
  if (!registerPath.empty()) {
    CheckRegisterReadable(registerPath);
    // Refusing to clean must not cost the user the backup of the tables.
    try {
      CleanRegister(registerPath);
    } catch (const TableError& e) {
      if (problems) problems->cleaning = e.what();
    }
    list = BuildRegisterList(registerPath, problems ? &problems->missingTables : nullptr);
  }
  auto run = BuildRunList(list, jobList, problems);
  if (registerList) *registerList = std::move(list);
  return run;
}

}  // namespace orn
