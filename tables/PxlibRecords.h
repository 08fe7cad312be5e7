// Raw records read through pxlib, for the one case where it does what the
// layer does not: the data blocks of an encrypted table.
#pragma once

#include <string>
#include <vector>

namespace orn::paradox {

// The raw (decrypted) records of the table at `fileName`. Throws TableError
// when pxlib cannot open the table or returns fewer records than expected.
// pxlib runs in a child process that is ended when it has not answered
// within the timeout (10 s unless set), so that a damaged table can neither
// crash nor hang the program.
std::vector<std::string> ReadRecordsThroughPxlib(const std::string& fileName, int recordSize, int count);
void SetPxlibReadTimeout(int milliseconds);

}  // namespace orn::paradox
