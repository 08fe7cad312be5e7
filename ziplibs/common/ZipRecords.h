// The libraries' access to the record layer: the one directory reader over
// an open archive file, positioned reads, and the protocol's error code for
// a failure the record layer raises (EZipEngine with its identifier).
#pragma once

#include <cstdint>
#include <string>

#include "EZipEngine.h"
#include "ZipDirReader.h"
#include "ZipFormat.h"
#include "ZipNames.h"

namespace orn::zipfmt {

// Reads the end record and the central directory of the open archive `fd`
// through the record layer's one reader, every entry kept (folders too),
// names decoded as `names` says. Raises EZipEngine naming `path` when the
// file is not a readable zip archive, is a volume of a set, or its entries
// overlap.
ZipDirectory ReadCentralDirectory(int fd, const std::string& path, const NameDecoding& names = {});

// The protocol's error code (OrnZipError) for a record-layer identifier.
int ProtocolCode(int ident);

// Reads exactly `size` bytes at `offset`; false on a short read or error.
bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);

}  // namespace orn::zipfmt
