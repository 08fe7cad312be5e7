// The headers the writer puts into an archive, with Zip64 records where a
// size, an offset or the number of entries passes what the classic 16- and
// 32-bit fields hold: a Zip64 extra field in the local and central headers,
// and a Zip64 end record with its locator in front of the classic end record.
#pragma once

#include <cstdint>
#include <string>

#include "ZipRecords.h"

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

// Version needed to extract an entry with Zip64 records.
constexpr std::uint16_t kVersionZip64 = 45;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

// One central directory header as the writer keeps it until the end.
struct CentralRecord {
  std::uint16_t madeBy = 0x031E;  // Unix, format 3.0
  std::uint16_t needed = 10;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint32_t crc = 0;
  std::uint64_t csize = 0;
  std::uint64_t usize = 0;
  std::uint64_t offset = 0;
  std::uint16_t internalAttr = 0;
  std::uint32_t externalAttr = 0;
  bool zip64Sizes = false;  // the local header carries Zip64 sizes, so this one does too
  std::string name;
  std::string extra;  // other extra fields (never a Zip64 field)
  std::string comment;
};

// A local header; with `zip64` the sizes are in a Zip64 extra field, so the
// header has the same length whatever the sizes turn out to be. `extra`:
// further extra fields, after the Zip64 one.
std::string LocalHeader(std::uint16_t needed, std::uint16_t flags, std::uint16_t method, std::uint32_t dosTime,
                        std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, const std::string& name,
                        bool zip64, const std::string& extra = {});

// The data descriptor behind an entry whose sizes followed its data.
std::string DataDescriptor(std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, bool zip64);

// Appends the central header of `c` to `out`.
void AppendCentralHeader(std::string& out, const CentralRecord& c, const Zip64Limits& limits);

// The end of the archive behind a central directory of `entries` headers,
// `cdSize` bytes long, starting at `cdStart`: the Zip64 end record and
// locator when a value needs them, then the classic end record.
std::string EndRecords(std::uint64_t entries, std::uint64_t cdStart, std::uint64_t cdSize, const std::string& comment,
                       const Zip64Limits& limits);

// The extra fields without their Zip64 field; whether there was one.
std::string WithoutZip64Extra(const std::string& extra);
bool HasZip64Extra(const std::string& extra);

}  // namespace orn::zipfmt
