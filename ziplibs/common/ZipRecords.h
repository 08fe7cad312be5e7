// The on-disk records of the zip format that both libraries read and write:
// signatures and flags, a bounds-checked little-endian cursor, and the reader
// of an archive's central directory (with Zip64 end records and extras, so
// archives written elsewhere can be read even when they are large).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ByteCursor.h"
#include "ZipNames.h"

namespace orn::zipfmt {

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

constexpr std::uint16_t kMethodStore = 0;
constexpr std::uint16_t kMethodDeflate = 8;

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCryptHeaderSize = 12;

// Limits of a zip archive without Zip64 records.
constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 0xFFFF;

// A failure reading an archive, with one of the protocol's error codes.
class ZipError : public std::runtime_error {
 public:
  ZipError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// The record layer's cursor under the name the libraries know it by: reads
// little-endian fields from a byte range; running past the end sets a flag
// instead of reading, so each record is checked once.
class LeReader : public ByteCursor {
 public:
  LeReader(const void* data, std::size_t size) : ByteCursor(static_cast<const unsigned char*>(data), size) {}
  std::string Bytes(std::size_t count) { return std::string(ByteCursor::Bytes(count)); }
  std::size_t Pos() const { return Offset(); }
  std::size_t Remaining() const { return Ok() ? Left() : 0; }
};

// Appends little-endian fields to a byte string.
class LeWriter {
 public:
  explicit LeWriter(std::string& out) : out_(out) {}
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void Bytes(std::string_view b) { out_.append(b); }

 private:
  std::string& out_;
};

struct CentralEntry {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t modTime = 0;
  std::uint16_t modDate = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localOffset = 0;  // already corrected for data in front of the archive
  std::uint16_t internalAttr = 0;
  std::uint32_t externalAttr = 0;
  bool zip64 = false;  // some field came from a Zip64 extra
  std::string rawName;
  std::string extra;
  std::string comment;
  std::string name;  // UTF-8, "/" between parts, as the engine lists it

  bool IsDirectory() const { return !name.empty() && name.back() == '/'; }
  bool IsEncrypted() const { return flags & kFlagEncrypted; }
  bool IsSymlink() const { return (versionMadeBy >> 8) == 3 && ((externalAttr >> 16) & 0170000) == 0120000; }
  std::uint32_t DosDateTime() const { return (std::uint32_t(modDate) << 16) | modTime; }
  // The byte an encryption header ends with when the password is right.
  std::uint8_t CryptCheckByte() const {
    return (flags & kFlagDescriptor) ? std::uint8_t(modTime >> 8) : std::uint8_t(crc >> 24);
  }
};

struct CentralDirectory {
  std::vector<CentralEntry> entries;
  std::string comment;
  std::uint64_t archiveSize = 0;
  std::uint64_t prefixSize = 0;  // offsets in the directory are short by this much (data put in front)
  std::uint64_t cdStart = 0;     // where the central directory really starts
  bool zip64 = false;
};

// Reads the end record and the central directory of the open archive `fd`
// through the record layer's one reader, decoding names as `names` says (the
// engine hands its decoding over in the parameter block). Throws ZipError
// naming `path` when the file is not a readable zip archive, or when entries
// overlap.
CentralDirectory ReadCentralDirectory(int fd, const std::string& path, const NameDecoding& names = {});

// Offset of the entry's data behind its local header; throws ZipError when
// the local header is missing or damaged.
std::uint64_t LocalDataOffset(int fd, const CentralEntry& entry, const std::string& path);

// Reads exactly `size` bytes at `offset`; false on a short read or error.
bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);

}  // namespace orn::zipfmt
