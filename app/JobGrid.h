// Which job list entries the main window's grid leaves out: the index, memo
// and view files that accompany a Paradox table. They are archived with
// their table but never shown.
#pragma once

#include <string>

namespace orn {

bool HiddenInJobGrid(const std::string& path);

}  // namespace orn
