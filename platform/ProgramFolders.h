// Where the program finds its own files. In the build tree and in a copied
// folder everything sits beside the executable, as on the program's home
// platform. An installed program keeps its compression libraries (and the
// self-extractor stub) in a private library folder and its dictionary and user
// guide in a data folder; both are found relative to the executable, so an
// installed tree still works after it is moved to another prefix.
#pragma once

#include <string>

namespace orn {

// Folder of the compression libraries and the self-extractor stub, with a
// trailing delimiter: the installed private library folder when it exists,
// else the program's folder.
std::string ProgramLibraryDir();

// Folder of the language dictionary and the user guide, with a trailing
// delimiter: the installed data folder when it exists, else the program's
// folder.
std::string ProgramDataDir();

// The rule behind both: `relative` (a path from the folder of the executable,
// such as "../libexec/archivator") when that folder exists, else `programDir`.
std::string InstalledOrBeside(const std::string& programDir, const std::string& relative);

// True when the program runs from an installed tree (its private library
// folder exists), rather than from the build tree or a copied folder.
bool ProgramIsInstalled();

// The folder that holds the program's own working files (its temporary
// directory), with a trailing delimiter: the program's folder when it is not
// installed and that folder is writable; else the user's cache folder
// ($XDG_CACHE_HOME, else ~/.cache, else a folder of the user's id in the
// system's temporary folder). An installed program never writes into its
// bin folder, even when run by the superuser.
std::string ProgramWorkParentDir();

// Where a settings file that the program writes (Params.ini) lives.
// A program run from its build tree or a portable folder: `name`, resolved
// against `currentDir` as on the program's home platform, when the file is
// there already or that directory is writable; else `name` in
// UserConfigDir(), which is made when missing (a program started from a
// folder the user cannot write, such as / by a scheduler). An installed
// program keeps its settings in UserConfigDir() wherever it is started, and
// on first use takes over (copies) a settings file found in `currentDir`.
// Falls back to `name` when there is no user folder either, so that the
// failure to write it names the file the user expects.
std::string SettingsFilePath(const std::string& name, const std::string& currentDir);
// The same rule for a program that is or is not installed.
std::string SettingsFilePath(const std::string& name, const std::string& currentDir, bool installed);

// The per-user folder for the program's files when the program's folder
// cannot hold them: $XDG_CONFIG_HOME/archivator, else ~/.config/archivator,
// with a trailing delimiter; empty when neither variable is set.
std::string UserConfigDir();

// The per-user folder for the program's state (its fallback log):
// $XDG_STATE_HOME/archivator, else ~/.local/state/archivator, else a folder of
// the user's id in the system's temporary folder; with a trailing delimiter.
std::string UserStateDir();

}  // namespace orn
