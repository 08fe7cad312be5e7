// The headers the writer puts into an archive, with Zip64 records where a
// size, an offset or the number of entries passes what the classic 16- and
// 32-bit fields hold: a Zip64 extra field in the local and central headers,
// and a Zip64 end record with its locator in front of the classic end record.
#pragma once

#include <cstdint>
#include <string>

#include "ZipDirEntry.h"
#include "ZipFormat.h"

namespace orn::zipfmt {

// A value at or above `size` (an entry count at or above `entries`) goes
// into a Zip64 record. The format's own limits by default; tests lower them
// so that small archives carry every kind of Zip64 record.
struct Zip64Limits {
  std::uint64_t size = kMax32;
  std::uint64_t entries = kMaxEntries;

  // Whether a file of `usize` bytes needs Zip64 sizes in its local header,
  // which is written before the packed size is known: deflated (or stored)
  // and encrypted, a file grows by less than this margin (5 bytes per
  // 64 KiB stored block where it does not compress, a few bytes per piece,
  // the encryption header).
  bool LocalNeedsZip64(std::uint64_t usize) const { return usize + usize / 4096 + 4096 >= size; }
};

// One entry as the writer keeps it until the directory is written: its
// 64-bit sizes and offset, its raw name and its extra field without any Zip64
// block (written anew from the sizes).
struct WrittenEntry {
  ZipDirEntry entry;
  bool zip64Sizes = false;  // the local header carries Zip64 sizes, so the central one does too
};

// A new entry's fields that do not depend on its data: made by this program
// on a Unix host, format 3.0.
ZipDirEntry NewEntry(const std::string& storedName);

// A local header; with `zip64` the sizes are in a Zip64 extra field, so the
// header has the same length whatever the sizes turn out to be. `extra`:
// further extra fields, after the Zip64 one.
std::string LocalHeader(std::uint16_t needed, std::uint16_t flags, std::uint16_t method, std::uint32_t dosTime,
                        std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, const std::string& name,
                        bool zip64, const std::string& extra = {});

// The data descriptor behind an entry whose sizes followed its data.
std::string DataDescriptor(std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, bool zip64);

// Appends the central header of `w` to `out`, with a Zip64 block for the
// values the classic fields cannot hold.
void AppendWrittenHeader(std::string& out, const WrittenEntry& w, const Zip64Limits& limits);

// The end of the archive behind a central directory of `entries` headers,
// `cdSize` bytes long, starting at `cdStart`: the Zip64 end record and
// locator when a value needs them, then the classic end record.
std::string EndRecords(std::uint64_t entries, std::uint64_t cdStart, std::uint64_t cdSize, const std::string& comment,
                       const Zip64Limits& limits);

}  // namespace orn::zipfmt
