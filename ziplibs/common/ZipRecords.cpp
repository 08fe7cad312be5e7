// Central directory reading. Offsets in the directory are corrected by the
// number of bytes found in front of the archive (a stub or a prefix), the way
// the common unzip tools do, so such archives extract as well.
#include "ZipRecords.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "CodePage.h"

namespace orn::zipfmt {

bool LeReader::Need(std::size_t count) {
  if (!ok_ || n_ - pos_ < count) {
    ok_ = false;
    return false;
  }
  return true;
}

std::uint16_t LeReader::U16() {
  if (!Need(2)) return 0;
  std::uint16_t v = std::uint16_t(p_[pos_] | (p_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

std::uint32_t LeReader::U32() {
  if (!Need(4)) return 0;
  std::uint32_t v = std::uint32_t(p_[pos_]) | (std::uint32_t(p_[pos_ + 1]) << 8) | (std::uint32_t(p_[pos_ + 2]) << 16) |
                    (std::uint32_t(p_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

std::uint64_t LeReader::U64() {
  std::uint64_t lo = U32();
  std::uint64_t hi = U32();
  return lo | (hi << 32);
}

std::string LeReader::Bytes(std::size_t count) {
  if (!Need(count)) return {};
  std::string s(reinterpret_cast<const char*>(p_ + pos_), count);
  pos_ += count;
  return s;
}

void LeReader::Skip(std::size_t count) {
  if (Need(count)) pos_ += count;
}

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

std::string DecodeStoredName(const std::string& raw, std::uint16_t flags) {
  if ((flags & kFlagUtf8) || orn::IsPlainAscii(raw) || orn::IsValidUtf8(raw)) return raw;
  return orn::ToUtf8(raw, 437);
}

namespace {

struct EndRecord {
  std::uint64_t offset = 0;  // where the end record starts
  std::uint64_t entries = 0;
  std::uint64_t cdSize = 0;
  std::uint64_t cdOffset = 0;
  std::string comment;
  bool zip64 = false;
};

EndRecord FindEndRecord(int fd, std::uint64_t fileSize, const std::string& path) {
  if (fileSize < kEndRecordSize) throw ZipError(3, "Not a zip archive (too short): " + path);
  std::size_t tail = std::size_t(std::min<std::uint64_t>(fileSize, kEndRecordSize + 0xFFFF));
  std::string buf(tail, '\0');
  if (!ReadAt(fd, buf.data(), tail, fileSize - tail)) throw ZipError(11, "Cannot read archive: " + path);
  // Search backwards; prefer a record whose comment reaches the end exactly.
  std::size_t fallback = std::string::npos;
  for (std::size_t i = tail - kEndRecordSize + 1; i-- > 0;) {
    if (std::memcmp(buf.data() + i, "PK\x05\x06", 4) != 0) continue;
    LeReader r(buf.data() + i + 20, 2);
    std::size_t commentLen = r.U16();
    if (i + kEndRecordSize + commentLen == tail) {
      fallback = i;
      break;
    }
    if (fallback == std::string::npos && i + kEndRecordSize + commentLen <= tail) fallback = i;
  }
  if (fallback == std::string::npos) throw ZipError(3, "Not a zip archive (no end record): " + path);
  EndRecord end;
  end.offset = fileSize - tail + fallback;
  LeReader r(buf.data() + fallback + 4, tail - fallback - 4);
  std::uint16_t disk = r.U16();
  std::uint16_t cdDisk = r.U16();
  r.U16();
  end.entries = r.U16();
  end.cdSize = r.U32();
  end.cdOffset = r.U32();
  std::size_t commentLen = r.U16();
  end.comment = r.Bytes(std::min(commentLen, r.Remaining()));
  if (disk != cdDisk && disk != 0xFFFF)
    throw ZipError(3, "Archive is one volume of a multi-volume set, join the set first: " + path);

  bool needs64 = end.entries == 0xFFFF || end.cdSize == kMax32 || end.cdOffset == kMax32;
  if (end.offset >= 20) {
    char loc[20];
    if (ReadAt(fd, loc, 20, end.offset - 20) && std::memcmp(loc, "PK\x06\x07", 4) == 0) {
      LeReader lr(loc + 8, 12);
      std::uint64_t z64Offset = lr.U64();
      char rec[56];
      if (z64Offset + 56 <= end.offset && ReadAt(fd, rec, 56, z64Offset) && std::memcmp(rec, "PK\x06\x06", 4) == 0) {
        LeReader zr(rec + 24, 32);
        end.entries = zr.U64();
        zr.U64();
        end.cdSize = zr.U64();
        end.cdOffset = zr.U64();
        end.zip64 = true;
        // The Zip64 end record sits right behind the central directory.
        end.offset = z64Offset;
        needs64 = false;
      }
    }
  }
  if (needs64 && end.entries == 0xFFFF && end.cdSize != kMax32 && end.cdOffset != kMax32) needs64 = false;
  if (needs64) throw ZipError(3, "Zip64 end record missing: " + path);
  return end;
}

void ApplyZip64Extra(CentralEntry& e, std::uint32_t usize32, std::uint32_t csize32, std::uint32_t offset32) {
  LeReader r(e.extra.data(), e.extra.size());
  while (r.Remaining() >= 4) {
    std::uint16_t id = r.U16();
    std::uint16_t len = r.U16();
    if (len > r.Remaining()) break;
    if (id != 0x0001) {
      r.Skip(len);
      continue;
    }
    LeReader f(e.extra.data() + r.Pos(), len);
    if (usize32 == kMax32 && f.Remaining() >= 8) e.uncompressedSize = f.U64(), e.zip64 = true;
    if (csize32 == kMax32 && f.Remaining() >= 8) e.compressedSize = f.U64(), e.zip64 = true;
    if (offset32 == kMax32 && f.Remaining() >= 8) e.localOffset = f.U64(), e.zip64 = true;
    break;
  }
}

}  // namespace

CentralDirectory ReadCentralDirectory(int fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw ZipError(18, "Cannot examine archive: " + path);
  CentralDirectory dir;
  dir.archiveSize = std::uint64_t(st.st_size);
  EndRecord end = FindEndRecord(fd, dir.archiveSize, path);
  dir.comment = end.comment;
  dir.zip64 = end.zip64;
  if (end.cdSize > end.offset) throw ZipError(3, "Central directory size is wrong: " + path);
  // Where the directory really starts; the difference to the stored offset is
  // data in front of the archive.
  std::uint64_t cdStart = end.offset - end.cdSize;
  if (cdStart < end.cdOffset) throw ZipError(3, "Central directory offset is wrong: " + path);
  dir.prefixSize = cdStart - end.cdOffset;
  dir.cdStart = cdStart;
  if (end.cdSize > (std::uint64_t(1) << 31)) throw ZipError(4, "Central directory too large: " + path);
  std::string cd(std::size_t(end.cdSize), '\0');
  if (!ReadAt(fd, cd.data(), cd.size(), cdStart)) throw ZipError(11, "Cannot read the central directory: " + path);

  LeReader r(cd.data(), cd.size());
  dir.entries.reserve(std::size_t(std::min<std::uint64_t>(end.entries, cd.size() / kCentralHeaderSize)));
  while (r.Remaining() >= kCentralHeaderSize) {
    if (r.U32() != kCentralSig) throw ZipError(3, "Damaged central directory: " + path);
    CentralEntry e;
    e.versionMadeBy = r.U16();
    e.versionNeeded = r.U16();
    e.flags = r.U16();
    e.method = r.U16();
    e.modTime = r.U16();
    e.modDate = r.U16();
    e.crc = r.U32();
    std::uint32_t csize = r.U32();
    std::uint32_t usize = r.U32();
    std::uint16_t nameLen = r.U16();
    std::uint16_t extraLen = r.U16();
    std::uint16_t commentLen = r.U16();
    r.U16();  // disk number start
    e.internalAttr = r.U16();
    e.externalAttr = r.U32();
    std::uint32_t offset = r.U32();
    e.rawName = r.Bytes(nameLen);
    e.extra = r.Bytes(extraLen);
    e.comment = r.Bytes(commentLen);
    if (!r.Ok()) throw ZipError(3, "Damaged central directory: " + path);
    e.compressedSize = csize;
    e.uncompressedSize = usize;
    e.localOffset = offset;
    ApplyZip64Extra(e, usize, csize, offset);
    e.localOffset += dir.prefixSize;
    e.name = DecodeStoredName(e.rawName, e.flags);
    if (e.localOffset >= cdStart) throw ZipError(3, "Entry points past the data of the archive: " + path);
    dir.entries.push_back(std::move(e));
  }
  return dir;
}

std::uint64_t LocalDataOffset(int fd, const CentralEntry& entry, const std::string& path) {
  char hdr[kLocalHeaderSize];
  if (!ReadAt(fd, hdr, sizeof hdr, entry.localOffset))
    throw ZipError(2, "Archive ends inside a local header: " + path + " (" + entry.name + ")");
  LeReader r(hdr, sizeof hdr);
  if (r.U32() != kLocalSig) throw ZipError(3, "Local header missing: " + path + " (" + entry.name + ")");
  r.Skip(22);
  std::uint64_t nameLen = r.U16();
  std::uint64_t extraLen = r.U16();
  return entry.localOffset + kLocalHeaderSize + nameLen + extraLen;
}

}  // namespace orn::zipfmt
