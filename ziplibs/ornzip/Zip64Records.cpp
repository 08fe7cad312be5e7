#include "Zip64Records.h"

#include <algorithm>

#include "ZipHeaders.h"

namespace orn::zipfmt {

namespace {

// The 32-bit field for `v`: the value, or all ones when it lives in a
// Zip64 record instead.
std::uint32_t Field32(std::uint64_t v, bool inZip64) { return inZip64 ? std::uint32_t(kMax32) : std::uint32_t(v); }

}  // namespace

ZipDirEntry NewEntry(const std::string& storedName) {
  ZipDirEntry e;
  e.VersionMadeBy = 30;
  e.HostSystem = kHostUnix;
  e.VersionNeeded = kVersionStore;
  e.RawName = storedName;
  e.Name = storedName;
  return e;
}

std::string LocalHeader(std::uint16_t needed, std::uint16_t flags, std::uint16_t method, std::uint32_t dosTime,
                        std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, const std::string& name,
                        bool zip64, const std::string& extra) {
  std::string h;
  h.reserve(kLocalHeaderSize + name.size() + (zip64 ? 20 : 0) + extra.size());
  ByteWriter w(h);
  w.U32(kLocalHeaderSig);
  w.U16(zip64 ? std::max(needed, kVersionZip64) : needed);
  w.U16(flags);
  w.U16(method);
  w.U16(std::uint16_t(dosTime & 0xFFFF));
  w.U16(std::uint16_t(dosTime >> 16));
  w.U32(crc);
  w.U32(Field32(csize, zip64));
  w.U32(Field32(usize, zip64));
  w.U16(std::uint16_t(name.size()));
  w.U16(std::uint16_t((zip64 ? 20 : 0) + extra.size()));
  w.Bytes(name);
  if (zip64) {
    // In a local header the field holds both sizes, in this order.
    w.U16(kExtraZip64);
    w.U16(16);
    w.U64(usize);
    w.U64(csize);
  }
  w.Bytes(extra);
  return h;
}

std::string DataDescriptor(std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, bool zip64) {
  std::string d;
  ByteWriter w(d);
  w.U32(kDataDescriptorSig);
  w.U32(crc);
  if (zip64) {
    w.U64(csize);
    w.U64(usize);
  } else {
    w.U32(std::uint32_t(csize));
    w.U32(std::uint32_t(usize));
  }
  return d;
}

void AppendWrittenHeader(std::string& out, const WrittenEntry& written, const Zip64Limits& limits) {
  ZipDirEntry e = written.entry;
  const bool bigU = written.zip64Sizes || e.UnpackedSize64 >= limits.size;
  const bool bigC = written.zip64Sizes || e.PackedSize64 >= limits.size;
  const bool bigO = e.LocalHeaderOffset64 >= limits.size;
  // Only the fields whose 32-bit form is all ones appear, in this order.
  std::string z64;
  ByteWriter zw(z64);
  if (bigU) zw.U64(e.UnpackedSize64);
  if (bigC) zw.U64(e.PackedSize64);
  if (bigO) zw.U64(e.LocalHeaderOffset64);
  std::string extra;
  if (!z64.empty()) {
    ByteWriter ew(extra);
    ew.U16(kExtraZip64);
    ew.U16(std::uint16_t(z64.size()));
    ew.Bytes(z64);
    e.VersionNeeded = std::max(e.VersionNeeded, kVersionZip64);
  }
  e.Extra = extra + e.Extra;
  e.PackedSize = Field32(e.PackedSize64, bigC);
  e.UnpackedSize = Field32(e.UnpackedSize64, bigU);
  e.LocalHeaderOffset = Field32(e.LocalHeaderOffset64, bigO);
  e.DiskStart = 0;
  AppendCentralHeader(out, e);
}

std::string EndRecords(std::uint64_t entries, std::uint64_t cdStart, std::uint64_t cdSize, const std::string& comment,
                       const Zip64Limits& limits) {
  const bool manyEntries = entries >= limits.entries;
  const bool bigStart = cdStart >= limits.size;
  const bool bigSize = cdSize >= limits.size;
  std::string end;
  ByteWriter w(end);
  if (manyEntries || bigStart || bigSize) {
    const std::uint64_t z64At = cdStart + cdSize;
    w.U32(kZip64EndRecordSig);
    w.U64(kZip64EndRecordSize - 12);  // the record's size without its first 12 bytes
    w.U16(0x0300 | kVersionZip64);
    w.U16(kVersionZip64);
    w.U32(0);
    w.U32(0);
    w.U64(entries);
    w.U64(entries);
    w.U64(cdSize);
    w.U64(cdStart);
    w.U32(kZip64LocatorSig);
    w.U32(0);
    w.U64(z64At);
    w.U32(1);
  }
  EndRecordFields f;
  f.entriesOnDisk = f.totalEntries = manyEntries ? std::uint16_t(0xFFFF) : std::uint16_t(entries);
  f.directorySize = Field32(cdSize, bigSize);
  f.directoryOffset = Field32(cdStart, bigStart);
  AppendEndRecord(end, f, comment);
  return end;
}

}  // namespace orn::zipfmt
