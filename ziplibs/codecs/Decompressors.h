// The compression methods the unzip library reads and the one place that
// turns a method number into its decompressing stream layer. Every other
// method is refused by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ByteStream.h"

namespace orn::zipfmt {

constexpr std::uint16_t kMethodDeflate64 = 9;
constexpr std::uint16_t kMethodBzip2 = 12;
constexpr std::uint16_t kMethodLzma = 14;
constexpr std::uint16_t kMethodZstd = 93;
constexpr std::uint16_t kMethodXz = 95;

// Whether entries of `method` can be decompressed.
bool MethodSupported(std::uint16_t method);
// "12 (bzip2)", "98 (PPMd)", "77": the number and, when known, the name.
std::string MethodDescription(std::uint16_t method);

// The layer that decompresses `source` with `method` (stored and deflated
// included); `size` is the entry's uncompressed size, `flags` its general
// purpose flags. Throws DecodeError for a method that is not supported.
std::unique_ptr<ByteStream> OpenDecompressor(std::uint16_t method, ByteStream& source, std::uint64_t size,
                                             std::uint16_t flags = 0);

// General purpose bit 1 of an LZMA entry: its stream ends with a marker.
constexpr std::uint16_t kFlagLzmaEndMarker = 0x0002;

}  // namespace orn::zipfmt
