// The libraries' view of the record layer: the one directory reader's
// entries as CentralEntry. Offsets in the directory are corrected by the
// number of bytes found in front of the archive (a stub or a prefix), the way
// the common unzip tools do, so such archives extract as well.
#include "ZipRecords.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "OrnZipLib.h"
#include "ZipDirReader.h"
#include "ZipMessages.h"

namespace orn::zipfmt {

void LeWriter::U16(std::uint16_t v) {
  out_.push_back(char(v & 0xFF));
  out_.push_back(char(v >> 8));
}

void LeWriter::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(char((v >> (8 * i)) & 0xFF));
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= std::size_t(n);
    offset += std::uint64_t(n);
  }
  return true;
}

namespace {

// The protocol's error code for a failure of the record layer's reader.
int ProtocolCode(int ident) {
  switch (ident) {
    case kZipReadError:
    case kZipDirReadError:
    case kZipSeekError:
      return ORN_ZE_READ;
    case kZipOutOfMemory:
      return ORN_ZE_MEMORY;
    default:
      return ORN_ZE_FORMAT;
  }
}

}  // namespace

CentralDirectory ReadCentralDirectory(int fd, const std::string& path, const NameDecoding& names) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw ZipError(ORN_ZE_OPEN, "Cannot examine archive: " + path);
  FdZipSource source(fd, std::uint64_t(st.st_size));
  ZipDirOptions options;
  options.names = names;
  options.useDirOnlyEntries = true;
  ZipDirReader reader(source, options);
  std::vector<ZipDirEntry> entries;
  ZipDirectoryInfo info;
  try {
    reader.Read(entries, info);
  } catch (const EZipEngine& e) {
    throw ZipError(ProtocolCode(e.Ident()), std::string(e.what()) + ": " + path);
  }
  if (info.spanned || info.volumeCount != 0)
    throw ZipError(ORN_ZE_FORMAT, "Archive is one volume of a multi-volume set, join the set first: " + path);

  CentralDirectory dir;
  dir.comment = info.comment;
  dir.archiveSize = std::uint64_t(st.st_size);
  dir.prefixSize = info.offsetShift > 0 ? std::uint64_t(info.offsetShift) : 0;
  dir.cdStart = info.directoryPosition;
  dir.zip64 = info.zip64;
  dir.entries.reserve(entries.size());
  for (ZipDirEntry& d : entries) {
    CentralEntry e;
    e.versionMadeBy = std::uint16_t((d.HostSystem << 8) | d.VersionMadeBy);
    e.versionNeeded = d.VersionNeeded;
    e.flags = d.GeneralFlags;
    e.method = d.Method;
    e.modTime = d.ModTime;
    e.modDate = d.ModDate;
    e.crc = d.Crc32;
    e.compressedSize = d.PackedSize64;
    e.uncompressedSize = d.UnpackedSize64;
    e.localOffset = std::uint64_t(std::int64_t(d.LocalHeaderOffset64) + info.offsetShift);
    e.internalAttr = d.InternalAttr;
    e.externalAttr = d.ExternalAttr;
    e.zip64 = d.PackedSize64 != d.PackedSize || d.UnpackedSize64 != d.UnpackedSize ||
              d.LocalHeaderOffset64 != d.LocalHeaderOffset;
    e.rawName = std::move(d.RawName);
    e.extra.assign(d.Extra.begin(), d.Extra.end());
    e.comment = std::move(d.RawComment);
    e.name = std::move(d.Name);
    dir.entries.push_back(std::move(e));
  }
  return dir;
}

std::uint64_t LocalDataOffset(int fd, const CentralEntry& entry, const std::string& path) {
  char hdr[kLocalHeaderSize];
  if (!ReadAt(fd, hdr, sizeof hdr, entry.localOffset))
    throw ZipError(ORN_ZE_EOF, "Archive ends inside a local header: " + path + " (" + entry.name + ")");
  LeReader r(hdr, sizeof hdr);
  if (r.U32() != kLocalSig) throw ZipError(ORN_ZE_FORMAT, "Local header missing: " + path + " (" + entry.name + ")");
  r.Skip(22);
  std::uint64_t nameLen = r.U16();
  std::uint64_t extraLen = r.U16();
  return entry.localOffset + kLocalHeaderSize + nameLen + extraLen;
}

}  // namespace orn::zipfmt
