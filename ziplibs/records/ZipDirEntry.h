// One central-directory entry: the one entry type of the program, from the
// directory reader through the engine's listing and the choice of entries to
// the library that writes the file (and, in the adding library, the entries
// it writes). The first seventeen fields are the central header's fields
// after its signature, in file order and width; the rest is derived from the
// variable part.
#pragma once

#include <cstdint>
#include <string>

#include "ZipFormat.h"
#include "ZipNames.h"

struct ZipDirEntry {
  std::uint8_t VersionMadeBy = 0;
  std::uint8_t HostSystem = 0;
  std::uint16_t VersionNeeded = 0;
  std::uint16_t GeneralFlags = 0;
  std::uint16_t Method = 0;
  std::uint16_t ModTime = 0;
  std::uint16_t ModDate = 0;
  std::uint32_t Crc32 = 0;
  std::uint32_t PackedSize = 0;
  std::uint32_t UnpackedSize = 0;
  std::uint16_t NameLength = 0;
  std::uint16_t ExtraLength = 0;
  std::uint16_t CommentLength = 0;
  std::uint16_t DiskStart = 0;
  std::uint16_t InternalAttr = 0;
  std::uint32_t ExternalAttr = 0;
  std::uint32_t LocalHeaderOffset = 0;
  // The stored name decoded once, by the reader: UTF-8 (or, for a Unix
  // host's name that is no UTF-8, its bytes as stored, which are the file
  // name), "/" between parts (a backslash in a name from a Unix host is part
  // of the name).
  std::string Name;
  std::string Comment;
  bool IsEncrypted = false;
  // The extra field as stored; empty when there is none.
  std::string Extra;

  // What the program adds: the name's and the comment's bytes exactly as
  // stored; the true sizes and offset where a Zip64 extra field replaces the
  // 32-bit ones; and where the local header is in the file (data in front of
  // the archive that the offsets do not count moves it).
  std::string RawName;
  std::string RawComment;
  std::uint64_t UnpackedSize64 = 0;
  std::uint64_t PackedSize64 = 0;
  std::uint64_t LocalHeaderOffset64 = 0;
  std::uint64_t LocalHeaderPosition = 0;
  // Where the entry may be written, decided once by the reader with the
  // one safe-name rule: a relative path, the target folder itself, or unsafe
  // (with the reason).
  orn::SafeName Target;

  // A folder: the name ends in "/".
  bool IsFolder() const { return !Name.empty() && Name.back() == '/'; }
  // A symbolic link stored by a Unix host (its data is the link's target).
  bool IsSymlink() const {
    return HostSystem == orn::kHostUnix && ((ExternalAttr >> 16) & orn::kUnixTypeMask) == orn::kUnixSymlink;
  }
  std::uint32_t DosDateTime() const { return (std::uint32_t(ModDate) << 16) | ModTime; }
  // The byte a traditional encryption header ends with when the password is right.
  std::uint8_t CryptCheckByte() const {
    return (GeneralFlags & orn::kFlagDescriptor) ? std::uint8_t(ModTime >> 8) : std::uint8_t(Crc32 >> 24);
  }
};
