#include "ZipHeaders.h"

#include "ByteCursor.h"

namespace orn {

void ByteWriter::U16(std::uint16_t v) {
  out_.push_back(static_cast<char>(v & 0xFF));
  out_.push_back(static_cast<char>(v >> 8));
}

void ByteWriter::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void ByteWriter::U64(std::uint64_t v) {
  U32(static_cast<std::uint32_t>(v & kMax32));
  U32(static_cast<std::uint32_t>(v >> 32));
}

void AppendCentralHeader(std::string& out, const ZipDirEntry& e) {
  ByteWriter w(out);
  w.U32(kCentralHeaderSig);
  w.U8(e.VersionMadeBy);
  w.U8(e.HostSystem);
  w.U16(e.VersionNeeded);
  w.U16(e.GeneralFlags);
  w.U16(e.Method);
  w.U16(e.ModTime);
  w.U16(e.ModDate);
  w.U32(e.Crc32);
  w.U32(e.PackedSize);
  w.U32(e.UnpackedSize);
  w.U16(static_cast<std::uint16_t>(e.RawName.size()));
  w.U16(static_cast<std::uint16_t>(e.Extra.size()));
  w.U16(static_cast<std::uint16_t>(e.RawComment.size()));
  w.U16(e.DiskStart);
  w.U16(e.InternalAttr);
  w.U32(e.ExternalAttr);
  w.U32(e.LocalHeaderOffset);
  w.Bytes(e.RawName);
  w.Bytes(e.Extra);
  w.Bytes(e.RawComment);
}

void AppendEndRecord(std::string& out, const EndRecordFields& f, std::string_view comment) {
  ByteWriter w(out);
  w.U32(kEndRecordSig);
  w.U16(f.thisDisk);
  w.U16(f.directoryDisk);
  w.U16(f.entriesOnDisk);
  w.U16(f.totalEntries);
  w.U32(f.directorySize);
  w.U32(f.directoryOffset);
  const std::string_view kept = comment.substr(0, 0xFFFF);
  w.U16(static_cast<std::uint16_t>(kept.size()));
  w.Bytes(kept);
}

std::size_t ForEachExtraBlock(std::string_view extra,
                              const std::function<void(std::uint16_t id, std::string_view data)>& block) {
  ByteCursor c(extra);
  std::size_t end = 0;
  while (c.Left() >= 4) {
    const std::uint16_t id = c.U16();
    const std::uint16_t size = c.U16();
    const std::string_view data = c.Bytes(size);
    if (!c.Ok()) break;
    block(id, data);
    end = c.Offset();
  }
  return end;
}

bool FindExtraBlock(std::string_view extra, std::uint16_t id, std::string_view& data) {
  bool found = false;
  ForEachExtraBlock(extra, [&](std::uint16_t blockId, std::string_view blockData) {
    if (!found && blockId == id) {
      data = blockData;
      found = true;
    }
  });
  return found;
}

std::string WithoutExtraBlock(std::string_view extra, std::uint16_t id) {
  std::string out;
  ByteWriter w(out);
  const std::size_t end = ForEachExtraBlock(extra, [&](std::uint16_t blockId, std::string_view data) {
    if (blockId == id) return;
    w.U16(blockId);
    w.U16(static_cast<std::uint16_t>(data.size()));
    w.Bytes(data);
  });
  out.append(extra.substr(end));
  return out;
}

std::string MethodName(std::uint16_t method) {
  switch (method) {
    case 0:
      return "Stored";
    case 1:
      return "Shrink";
    case 2:
    case 3:
    case 4:
    case 5:
      return "Reduce";
    case 6:
      return "Implode";
    case 8:
      return "Deflate";
    case 9:
      return "Deflate64";
    case 10:
      return "PKWARE DCL Implode";
    case 12:
      return "bzip2";
    case 14:
      return "LZMA";
    case 16:
      return "IBM z/OS CMPSC";
    case 18:
      return "IBM TERSE";
    case 19:
      return "IBM LZ77";
    case 20:
    case 93:
      return "Zstandard";
    case 94:
      return "MP3";
    case 95:
      return "XZ";
    case 96:
      return "JPEG";
    case 97:
      return "WavPack";
    case 98:
      return "PPMd";
    case 99:
      return "AES";
    default:
      return "";
  }
}

}  // namespace orn
