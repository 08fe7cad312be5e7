// The charset detector that the directory reader asks when an archive's
// names do not read as meant in the pages of the interface language.
#pragma once

#include <string_view>

namespace orn {

// The code page the bytes of an archive's names (one per line) were most
// likely written in, by the charset detector; 0 when it has no answer this
// program can convert.
int DetectNamesCodePage(std::string_view bytes);

}  // namespace orn
