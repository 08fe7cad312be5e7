#include "SfxWriter.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <vector>

#include "ByteCursor.h"
#include "EZipEngine.h"
#include "FileSystem.h"
#include "ZipDirReader.h"
#include "ZipMessages.h"
#include "ZipSource.h"

namespace orn {

namespace {

constexpr int kSfxFailed = 10304;

[[noreturn]] void Fail(const std::string& detail) {
  throw EZipEngine(kSfxFailed, FormatZipMessage(ZipMessageText(kSfxFailed), "-1") + ": " + detail, true);
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::uint32_t Raised(std::uint32_t offset, std::uint64_t shift) {
  const std::uint64_t value = offset + shift;
  if (value >= std::numeric_limits<std::uint32_t>::max()) Fail("the archive would pass 4 GiB");
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::uint8_t SfxFlagByte(SFXOpts options, OvrOpts overwrite) {
  std::uint8_t flags = 0;
  if (options.Has(SFXAskCmdLine)) flags |= kSfxAskCmdLine;
  if (options.Has(SFXAskFiles)) flags |= kSfxAskFiles;
  if (options.Has(SFXHideOverWriteBox)) flags |= kSfxHideOverwriteBox;
  if (overwrite == OvrAlways) flags |= kSfxOverwriteAlways;
  if (overwrite == OvrNever) flags |= kSfxOverwriteNever;
  if (!options.Has(SFXCheckSize)) flags |= kSfxNoSizeCheck;
  if (options.Has(SFXAutoRun)) flags |= kSfxAutoRun;
  if (options.Has(SFXNoSuccessMsg)) flags |= kSfxNoSuccessMessage;
  return flags;
}

std::string SfxHeader(std::uint8_t flags, const SfxTexts& texts) {
  std::string header = "OZX";
  header += static_cast<char>(flags);
  header += '\0';
  header += '\1';
  header += std::string(2, '\0');
  for (const std::string* t : {&texts.caption, &texts.defaultDir, &texts.commandLine, &texts.message}) {
    header += static_cast<char>(static_cast<unsigned char>(t->size()));
    header += t->substr(0, 255);
  }
  header.resize((header.size() + 3) / 4 * 4, '\0');
  header[6] = static_cast<char>(header.size() & 0xff);
  header[7] = static_cast<char>(header.size() >> 8);
  return header;
}

bool ParseSfxHeader(std::string_view bytes, SfxHeaderInfo& info) {
  ByteCursor c(bytes);
  if (bytes.substr(0, 3) != "OZX") return false;
  c.Skip(3);
  info.flags = c.U8();
  if (c.U8() != 0 || c.U8() != 1) return false;
  info.length = c.U16();
  if (!c.Ok() || info.length % 4 != 0 || info.length < 12 || info.length > bytes.size()) return false;
  ByteCursor texts(bytes.substr(0, info.length));
  texts.Seek(8);
  for (std::string* t : {&info.texts.caption, &info.texts.defaultDir, &info.texts.commandLine, &info.texts.message}) {
    const std::uint8_t n = texts.U8();
    std::string_view value = texts.Bytes(n);
    if (!texts.Ok() || value.size() != n) return false;
    t->assign(value);
  }
  return true;
}

void WriteSelfExtractor(const std::string& stub, const std::string& header, const std::string& archive,
                        const std::string& exe) {
  std::ifstream stubIn(stub, std::ios::binary);
  if (!stubIn) Fail(stub + " cannot be read");
  const std::string temp = ExtractFilePath(exe) + "~orn-" + ExtractFileName(exe);
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      if (!path.empty()) std::remove(path.c_str());
    }
  } cleanup{temp};
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  if (!out) Fail(exe + " cannot be created");
  out << stubIn.rdbuf();
  if (!stubIn || !out) Fail(ZipMessageText(11042));
  const std::uint64_t stubSize = static_cast<std::uint64_t>(out.tellp());
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  if (!out) Fail(ZipMessageText(11043));
  const std::uint64_t shift = stubSize + header.size();
  std::uint64_t archiveSize = kEndRecordSize;

  if (archive.empty()) {
    std::string end(kEndRecordSize, '\0');
    Put32(end, 0, kEndRecordSig);
    Put32(end, 16, static_cast<std::uint32_t>(shift));
    out.write(end.data(), static_cast<std::streamsize>(end.size()));
  } else {
    FileZipSource zip(archive);
    if (!zip.Ok()) Fail(archive + ": " + zip.Error());
    ZipEndRecord end;
    ZipDirectoryInfo info;
    ZipDirReader(zip, ZipDirOptions()).FindEndOfDirectory(end, info, true);
    if (end.zip64 || end.thisDisk != 0 || info.spanned) Fail("only a single-file archive below 4 GiB can become one");
    if (end.directoryEnd - end.directorySize != end.directoryOffset) Fail("the archive has data in front of it");
    archiveSize = zip.Size();
    // Entries as they are, then the directory with its offsets raised.
    std::vector<char> buffer(256 * 1024);
    for (std::uint64_t at = 0; at < end.directoryOffset;) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end.directoryOffset - at));
      if (zip.ReadAt(at, buffer.data(), want) != want) Fail(ZipMessageText(11044));
      out.write(buffer.data(), static_cast<std::streamsize>(want));
      at += want;
    }
    std::uint64_t at = end.directoryOffset;
    for (std::uint64_t i = 0; i < end.totalEntries; ++i) {
      std::string central = zip.Read(at, kCentralHeaderSize);
      ByteCursor c(central);
      if (central.size() != kCentralHeaderSize || c.U32() != kCentralHeaderSig) Fail(ZipMessageText(11015));
      c.Seek(28);
      const std::size_t rest = std::size_t{c.U16()} + c.U16() + c.U16();
      c.Seek(42);
      Put32(central, 42, Raised(c.U32(), shift));
      central += zip.Read(at + kCentralHeaderSize, rest);
      if (central.size() != kCentralHeaderSize + rest) Fail(ZipMessageText(11013));
      out.write(central.data(), static_cast<std::streamsize>(central.size()));
      at += central.size();
    }
    std::string record = zip.Read(end.position, archiveSize - end.position);
    if (record.size() < kEndRecordSize) Fail(ZipMessageText(11023));
    Put32(record, 16, Raised(static_cast<std::uint32_t>(end.directoryOffset), shift));
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
  }
  out.close();
  if (!out) Fail(ZipMessageText(11044));
  const std::optional<std::int64_t> written = FileSize(temp);
  if (!written || static_cast<std::uint64_t>(*written) != shift + archiveSize)
    Fail("the sizes of stub, header and archive do not add up");
  if (!RenameFile(temp, exe)) Fail(exe + " cannot be written");
  cleanup.path.clear();
}

}  // namespace orn
