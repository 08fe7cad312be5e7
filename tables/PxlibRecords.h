// Raw records read through pxlib, for the one case where it does what the
// layer does not: the data blocks of an encrypted table.
#pragma once

#include <string>
#include <vector>

namespace orn::paradox {

// The raw (decrypted) records of the table at `fileName`. Throws TableError
// when pxlib cannot open the table or returns fewer records than expected.
std::vector<std::string> ReadRecordsThroughPxlib(const std::string& fileName, int recordSize, int count);

}  // namespace orn::paradox
