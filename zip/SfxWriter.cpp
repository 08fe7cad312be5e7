#include "SfxWriter.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <vector>

#include "ByteCursor.h"
#include "EZipEngine.h"
#include "FileSystem.h"
#include "ZipDirReader.h"
#include "ZipHeaders.h"
#include "ZipMessages.h"
#include "ZipSource.h"

namespace orn {

namespace {

[[noreturn]] void Fail(const std::string& detail) {
  throw EZipEngine(kZipSfxCreateFailed, FormatZipMessage(ZipMessageText(kZipSfxCreateFailed), "-1") + ": " + detail,
                   true);
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
  if (!stubIn || !out) Fail(ZipMessageText(kZipSfxStubCopy));
  const std::uint64_t stubSize = static_cast<std::uint64_t>(out.tellp());
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  if (!out) Fail(ZipMessageText(kZipSfxHeaderWrite));
  const std::uint64_t shift = stubSize + header.size();
  std::uint64_t archiveSize = kEndRecordSize;

  if (archive.empty()) {
    std::string end;
    EndRecordFields fields;
    fields.directoryOffset = static_cast<std::uint32_t>(shift);
    AppendEndRecord(end, fields, "");
    out.write(end.data(), static_cast<std::streamsize>(end.size()));
  } else {
    FileZipSource zip(archive);
    if (!zip.Ok()) Fail(archive + ": " + zip.Error());
    // The directory through the record layer's reader; its headers are
    // written back with only their offsets raised.
    ZipDirOptions options;
    options.names.codePage = cpNone;
    options.useDirOnlyEntries = true;
    std::vector<ZipDirEntry> entries;
    ZipDirectoryInfo info;
    ZipDirReader(zip, options).Read(entries, info);
    const ZipEndRecord& end = info.end;
    if (end.zip64 || end.thisDisk != 0 || info.spanned) Fail("only a single-file archive below 4 GiB can become one");
    if (info.hasPrefix || info.offsetShift != 0) Fail("the archive has data in front of it");
    // Entries as they are, then the directory with its offsets raised.
    std::vector<char> buffer(256 * 1024);
    for (std::uint64_t at = 0; at < end.directoryOffset;) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end.directoryOffset - at));
      if (zip.ReadAt(at, buffer.data(), want) != want) Fail(ZipMessageText(kZipSfxArchiveCopy));
      out.write(buffer.data(), static_cast<std::streamsize>(want));
      at += want;
    }
    std::string directory;
    for (ZipDirEntry& e : entries) {
      e.LocalHeaderOffset = Raised(e.LocalHeaderOffset, shift);
      AppendCentralHeader(directory, e);
    }
    EndRecordFields fields;
    fields.entriesOnDisk = static_cast<std::uint16_t>(end.entriesOnDisk);
    fields.totalEntries = static_cast<std::uint16_t>(end.totalEntries);
    fields.directorySize = static_cast<std::uint32_t>(directory.size());
    fields.directoryOffset = Raised(static_cast<std::uint32_t>(end.directoryOffset), shift);
    AppendEndRecord(directory, fields, info.comment);
    out.write(directory.data(), static_cast<std::streamsize>(directory.size()));
    archiveSize = end.directoryOffset + directory.size();
  }
  out.close();
  if (!out) Fail(ZipMessageText(kZipSfxArchiveCopy));
  const std::optional<std::int64_t> written = FileSize(temp);
  if (!written || static_cast<std::uint64_t>(*written) != shift + archiveSize)
    Fail("the sizes of stub, header and archive do not add up");
  if (!RenameFile(temp, exe)) Fail(exe + " cannot be written");
  cleanup.path.clear();
}

}  // namespace orn
