// Database aliases: named folders of tables, kept in a plain text alias
// file. The file is the one named by the environment variable ORN_ALIASES,
// else Aliases.ini in the current folder, else Aliases.ini beside the
// program, else Aliases.ini in the user's own settings folder
// (~/.config/archivator, where an installed program's file belongs). One
// section per alias, "[NAME]" (names compared without regard to case),
// followed by its "NAME=VALUE" parameters; "PATH=" gives the folder.
// Blank lines and lines starting with ';' or '#' are ignored.
#pragma once

#include <string>
#include <vector>

namespace orn {

// The alias file in use, or "" when there is none.
std::string AliasFilePath();

// The parameters of `alias` as "NAME=VALUE" lines, the PATH= line first.
// Throws TableError naming the alias file when there is no alias file, the
// file cannot be read or holds lines that are neither sections nor
// parameters, the alias is unknown, or it has no PATH.
std::vector<std::string> GetAliasParams(const std::string& alias);
std::vector<std::string> GetAliasParams(const std::string& alias, const std::string& aliasFile);

// The alias's folder (the PATH value), as written in the alias file.
std::string AliasPath(const std::string& alias);

}  // namespace orn
