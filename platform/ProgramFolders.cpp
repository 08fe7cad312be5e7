#include "ProgramFolders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "FileSystem.h"

// Paths from the installed bin folder, written in by the build; a build that
// does not say leaves everything beside the program.
#ifndef ORN_LIBRARY_DIR_FROM_BIN
#define ORN_LIBRARY_DIR_FROM_BIN ""
#endif
#ifndef ORN_DATA_DIR_FROM_BIN
#define ORN_DATA_DIR_FROM_BIN ""
#endif

namespace orn {

namespace {
constexpr const char* kProgramFolderName = "archivator";

// A per-user base folder by the freedesktop.org rules: the variable when it
// holds an absolute path, else the folder under the home directory; empty
// when neither is known.
std::string UserBaseDir(const char* variable, const char* underHome) {
  if (const char* xdg = std::getenv(variable); xdg && IsAbsolutePath(xdg)) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return JoinPath(home, underHome);
  return std::string();
}
}  // namespace

std::string InstalledOrBeside(const std::string& programDir, const std::string& relative) {
  if (relative.empty() || programDir.empty()) return programDir;
  const std::string candidate = IsAbsolutePath(relative) ? relative : JoinPath(programDir, relative);
  if (!DirectoryExists(candidate)) return programDir;
  // "bin/../libexec/archivator" reads badly in messages and logs.
  return IncludeTrailingDelimiter(std::filesystem::path(candidate).lexically_normal().string());
}

std::string ProgramLibraryDir() { return InstalledOrBeside(ExecutableDir(), ORN_LIBRARY_DIR_FROM_BIN); }

std::string ProgramDataDir() { return InstalledOrBeside(ExecutableDir(), ORN_DATA_DIR_FROM_BIN); }

bool ProgramIsInstalled() { return ProgramLibraryDir() != ExecutableDir(); }

std::string ProgramWorkParentDir() {
  const std::string besideProgram = ExecutableDir();
  if (!ProgramIsInstalled() && !besideProgram.empty() && ::access(besideProgram.c_str(), W_OK) == 0)
    return besideProgram;
  if (std::string cache = UserBaseDir("XDG_CACHE_HOME", ".cache"); !cache.empty())
    return IncludeTrailingDelimiter(cache);
  return IncludeTrailingDelimiter(
      JoinPath(std::filesystem::temp_directory_path().string(), std::to_string(::getuid())));
}

std::string SettingsFilePath(const std::string& name, const std::string& currentDir) {
  return SettingsFilePath(name, currentDir, ProgramIsInstalled());
}

std::string SettingsFilePath(const std::string& name, const std::string& currentDir, bool installed) {
  const std::string here = JoinPath(currentDir, name);
  if (!installed && (FileExists(here) || ::access(currentDir.c_str(), W_OK) == 0)) return name;
  const std::string userDir = UserConfigDir();
  if (userDir.empty() || !ForceDirectories(userDir)) return name;
  const std::string kept = userDir + name;
  // The settings a user kept beside their jobs before come along once; the
  // file stays where it was for whatever else reads it there.
  if (installed && !FileExists(kept) && FileExists(here))
    if (std::optional<std::string> bytes = ReadWholeFile(here)) WriteFileAtomically(kept, *bytes);
  return kept;
}

std::string UserConfigDir() {
  const std::string base = UserBaseDir("XDG_CONFIG_HOME", ".config");
  return base.empty() ? base : IncludeTrailingDelimiter(JoinPath(base, kProgramFolderName));
}

std::string UserStateDir() {
  std::string base = UserBaseDir("XDG_STATE_HOME", ".local/state");
  if (base.empty()) base = JoinPath(std::filesystem::temp_directory_path().string(), std::to_string(::getuid()));
  return IncludeTrailingDelimiter(JoinPath(base, kProgramFolderName));
}

}  // namespace orn
