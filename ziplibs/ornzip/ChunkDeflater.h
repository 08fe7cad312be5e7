// Deflating one piece of an entry. Large files are cut into pieces that the
// worker threads deflate independently with libdeflate (whole-buffer, much
// faster than streaming zlib at the same ratio); every piece but the last is
// turned into a non-final, byte-aligned run of blocks ending with an empty
// stored block (a "sync flush"), so the pieces laid end to end form one
// valid deflate stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orn::zipfmt {

// libdeflate's slowest, tightest level, for archives kept long.
constexpr int kBestLibdeflateLevel = 12;

// The libdeflate level for the zip level `zipLevel` (1-9).
int LibdeflateLevelFor(int zipLevel);

// Deflates `size` bytes into `out`. With `last` false the result is a
// non-final piece as described above. False only when memory runs out.
bool DeflatePiece(int libdeflateLevel, const std::uint8_t* data, std::size_t size, bool last, std::string& out);

// Makes a complete deflate stream non-final and byte-aligned (exposed for tests).
bool MakeNonFinal(std::string& stream);

}  // namespace orn::zipfmt
