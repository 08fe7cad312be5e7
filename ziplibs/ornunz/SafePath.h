// Where an entry may be written. Entry names come from the archive, that is
// from whoever made it: a name must never lead outside the directory the
// user extracts into.
#pragma once

#include <optional>
#include <string>

namespace orn::zipfmt {

// The entry name as a relative path with '/' separators, or nothing when it
// is absolute, starts with a drive letter, climbs with "..", or is empty.
// "." parts and doubled separators are dropped; with `keepDirs` false only
// the last part is kept.
std::optional<std::string> SafeRelativeName(const std::string& name, bool keepDirs);

}  // namespace orn::zipfmt
