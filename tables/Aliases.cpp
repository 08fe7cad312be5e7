#include "Aliases.h"

#include <cstdlib>

#include "FileSystem.h"
#include "ProgramFolders.h"
#include "TableError.h"
#include "TextUtil.h"

namespace orn {

namespace {

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string AliasFilePath() {
  if (const char* env = std::getenv("ORN_ALIASES"); env && *env) return env;
  if (FileExists("Aliases.ini")) return JoinPath(CurrentDir(), "Aliases.ini");
  const std::string besideProgram = JoinPath(ExecutableDir(), "Aliases.ini");
  if (FileExists(besideProgram)) return besideProgram;
  // An installed program's folder is the system's; each user keeps the file
  // among their own settings instead.
  const std::string userDir = UserConfigDir();
  const std::string perUser = userDir.empty() ? std::string() : userDir + "Aliases.ini";
  return FileExists(perUser) ? perUser : std::string();
}

std::vector<std::string> GetAliasParams(const std::string& alias) {
  const std::string file = AliasFilePath();
  if (file.empty()) throw TableError("Aliases.ini", "Unknown database alias \"" + alias + "\": there is no alias file");
  return GetAliasParams(alias, file);
}

std::vector<std::string> GetAliasParams(const std::string& alias, const std::string& aliasFile) {
  std::string error;
  auto bytes = ReadWholeFile(aliasFile, &error);
  if (!bytes) throw TableError(aliasFile, "The alias file cannot be read");
  if (bytes->find('\0') != std::string::npos) throw TableError(aliasFile, "The alias file is not a text file");

  const std::string wanted = UpperAscii(TrimBlanks(alias));
  std::vector<std::string> params;
  bool inWanted = false, found = false;
  std::size_t lineNo = 0, pos = 0;
  while (pos <= bytes->size()) {
    auto end = bytes->find('\n', pos);
    if (end == std::string::npos) end = bytes->size();
    std::string line = TrimBlanks(bytes->substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3)
        throw TableError(aliasFile,
                         "Line " + std::to_string(lineNo) + " of the alias file is not a proper [ALIAS] line");
      const std::string name = UpperAscii(TrimBlanks(line.substr(1, line.size() - 2)));
      inWanted = !found && name == wanted;  // the first section of a name counts
      found = found || inWanted;
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq == 0)
      throw TableError(aliasFile,
                       "Line " + std::to_string(lineNo) + " of the alias file is neither [ALIAS] nor NAME=VALUE");
    if (!inWanted) continue;
    const std::string name = UpperAscii(TrimBlanks(line.substr(0, eq)));
    const std::string value = TrimBlanks(line.substr(eq + 1));
    const bool havePath = !params.empty() && params.front().rfind("PATH=", 0) == 0;
    if (name == "PATH" && !havePath)
      params.insert(params.begin(), "PATH=" + value);
    else
      params.push_back(name + "=" + value);
  }
  if (!found) throw TableError(aliasFile, "Unknown database alias \"" + alias + "\"");
  if (params.empty() || params.front().rfind("PATH=", 0) != 0 || params.front().size() == 5)
    throw TableError(aliasFile, "The database alias \"" + alias + "\" has no PATH");
  return params;
}

std::string AliasPath(const std::string& alias) { return GetAliasParams(alias).front().substr(5); }

}  // namespace orn
