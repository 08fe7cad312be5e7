#include "Zip64Records.h"

#include <algorithm>

namespace orn::zipfmt {

namespace {

void U64(LeWriter& w, std::uint64_t v) {
  w.U32(std::uint32_t(v & kMax32));
  w.U32(std::uint32_t(v >> 32));
}

// The 32-bit field for `v`: the value, or all ones when it lives in a
// Zip64 record instead.
std::uint32_t Field32(std::uint64_t v, bool inZip64) { return inZip64 ? std::uint32_t(kMax32) : std::uint32_t(v); }

constexpr std::size_t kZip64EndRecordSize = 56;

}  // namespace

std::string LocalHeader(std::uint16_t needed, std::uint16_t flags, std::uint16_t method, std::uint32_t dosTime,
                        std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, const std::string& name,
                        bool zip64, const std::string& extra) {
  std::string h;
  h.reserve(kLocalHeaderSize + name.size() + (zip64 ? 20 : 0) + extra.size());
  LeWriter w(h);
  w.U32(kLocalSig);
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
    w.U16(kZip64ExtraId);
    w.U16(16);
    U64(w, usize);
    U64(w, csize);
  }
  w.Bytes(extra);
  return h;
}

std::string DataDescriptor(std::uint32_t crc, std::uint64_t csize, std::uint64_t usize, bool zip64) {
  std::string d;
  LeWriter w(d);
  w.U32(kDescriptorSig);
  w.U32(crc);
  if (zip64) {
    U64(w, csize);
    U64(w, usize);
  } else {
    w.U32(std::uint32_t(csize));
    w.U32(std::uint32_t(usize));
  }
  return d;
}

void AppendCentralHeader(std::string& out, const CentralRecord& c, const Zip64Limits& limits) {
  const bool bigU = c.zip64Sizes || c.usize >= limits.size;
  const bool bigC = c.zip64Sizes || c.csize >= limits.size;
  const bool bigO = c.offset >= limits.size;
  // Only the fields whose 32-bit form is all ones appear, in this order.
  std::string z64;
  LeWriter zw(z64);
  if (bigU) U64(zw, c.usize);
  if (bigC) U64(zw, c.csize);
  if (bigO) U64(zw, c.offset);
  std::string extra;
  if (!z64.empty()) {
    LeWriter ew(extra);
    ew.U16(kZip64ExtraId);
    ew.U16(std::uint16_t(z64.size()));
    ew.Bytes(z64);
  }
  extra += c.extra;
  LeWriter w(out);
  w.U32(kCentralSig);
  w.U16(c.madeBy);
  w.U16(z64.empty() ? c.needed : std::max(c.needed, kVersionZip64));
  w.U16(c.flags);
  w.U16(c.method);
  w.U16(c.time);
  w.U16(c.date);
  w.U32(c.crc);
  w.U32(Field32(c.csize, bigC));
  w.U32(Field32(c.usize, bigU));
  w.U16(std::uint16_t(c.name.size()));
  w.U16(std::uint16_t(extra.size()));
  w.U16(std::uint16_t(c.comment.size()));
  w.U16(0);
  w.U16(c.internalAttr);
  w.U32(c.externalAttr);
  w.U32(Field32(c.offset, bigO));
  w.Bytes(c.name);
  w.Bytes(extra);
  w.Bytes(c.comment);
}

std::string EndRecords(std::uint64_t entries, std::uint64_t cdStart, std::uint64_t cdSize, const std::string& comment,
                       const Zip64Limits& limits) {
  const bool manyEntries = entries >= limits.entries;
  const bool bigStart = cdStart >= limits.size;
  const bool bigSize = cdSize >= limits.size;
  std::string end;
  LeWriter w(end);
  if (manyEntries || bigStart || bigSize) {
    const std::uint64_t z64At = cdStart + cdSize;
    w.U32(kZip64EndSig);
    U64(w, kZip64EndRecordSize - 12);  // the record's size without its first 12 bytes
    w.U16(0x0300 | kVersionZip64);
    w.U16(kVersionZip64);
    w.U32(0);
    w.U32(0);
    U64(w, entries);
    U64(w, entries);
    U64(w, cdSize);
    U64(w, cdStart);
    w.U32(kZip64LocatorSig);
    w.U32(0);
    U64(w, z64At);
    w.U32(1);
  }
  const std::uint16_t count = manyEntries ? std::uint16_t(0xFFFF) : std::uint16_t(entries);
  const std::string shownComment = comment.substr(0, 0xFFFF);
  w.U32(kEndSig);
  w.U16(0);
  w.U16(0);
  w.U16(count);
  w.U16(count);
  w.U32(Field32(cdSize, bigSize));
  w.U32(Field32(cdStart, bigStart));
  w.U16(std::uint16_t(shownComment.size()));
  w.Bytes(shownComment);
  return end;
}

namespace {

// Calls `field(id, start, length)` for each well-formed extra field; a
// truncated tail is kept as it is by the callers.
template <class F>
std::size_t ForEachExtra(const std::string& extra, F field) {
  std::size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    LeReader r(extra.data() + pos, 4);
    std::uint16_t id = r.U16();
    std::size_t len = r.U16();
    if (pos + 4 + len > extra.size()) break;
    field(id, pos, 4 + len);
    pos += 4 + len;
  }
  return pos;
}

}  // namespace

std::string WithoutZip64Extra(const std::string& extra) {
  std::string out;
  std::size_t end = ForEachExtra(extra, [&](std::uint16_t id, std::size_t at, std::size_t len) {
    if (id != kZip64ExtraId) out.append(extra, at, len);
  });
  out.append(extra, end, std::string::npos);
  return out;
}

bool HasZip64Extra(const std::string& extra) {
  bool found = false;
  ForEachExtra(extra, [&](std::uint16_t id, std::size_t, std::size_t) { found = found || id == kZip64ExtraId; });
  return found;
}

}  // namespace orn::zipfmt
