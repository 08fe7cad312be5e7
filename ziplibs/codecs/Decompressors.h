// The compression methods the unzip library reads and the one place that
// turns a method number into its decompressing stream layer. Every other
// method is refused by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ByteStream.h"
#include "ZipFormat.h"

namespace orn::zipfmt {

// Whether entries of `method` can be decompressed.
bool MethodSupported(std::uint16_t method);
// "12 (bzip2)", "98 (PPMd)", "77": the number and, when known, the name.
std::string MethodDescription(std::uint16_t method);

// The layer that decompresses `source` with `method` (stored and deflated
// included); `size` is the entry's uncompressed size, `flags` its general
// purpose flags. Throws DecodeError for a method that is not supported.
std::unique_ptr<ByteStream> OpenDecompressor(std::uint16_t method, ByteStream& source, std::uint64_t size,
                                             std::uint16_t flags = 0);

}  // namespace orn::zipfmt
