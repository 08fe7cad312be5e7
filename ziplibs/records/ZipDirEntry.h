// One central-directory entry of the open archive, as List keeps it. The
// first seventeen fields are the central header's fields after its signature,
// in file order and width; the rest is derived from the variable part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // Stored name after code-page conversion (UTF-8), "/" between parts (a
  // backslash in a name from a Unix host is part of the name).
  std::string Name;
  std::string Comment;
  bool IsEncrypted = false;
  // The extra field as stored; empty when there is none.
  std::vector<unsigned char> Extra;

  // What the program adds: the name's bytes exactly as stored, so that an
  // entry chosen by its shown Name reaches the library under the name it
  // matches; and the true sizes and offset where a Zip64 extra field
  // replaces the 32-bit ones.
  std::string RawName;
  std::string RawComment;
  std::uint64_t UnpackedSize64 = 0;
  std::uint64_t PackedSize64 = 0;
  std::uint64_t LocalHeaderOffset64 = 0;
};
