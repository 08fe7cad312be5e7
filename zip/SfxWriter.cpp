#include "SfxWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "ByteCursor.h"
#include "EZipEngine.h"
#include "FileReplace.h"
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

namespace {

// The self-extractor as it is written: under the program's temporary name
// beside it, made new and never through a link planted under that name.
class ExeFile {
 public:
  explicit ExeFile(const std::string& exe) : exe_(exe), temp_(TemporaryNameBeside(exe)) {
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) Fail(exe + " cannot be created: " + std::strerror(errno));
  }
  ~ExeFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }
  void Write(const char* data, std::size_t size, int ident) {
    while (size > 0) {
      ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail(ZipMessageText(ident) + ": " + std::strerror(n < 0 ? errno : ENOSPC));
      data += n;
      size -= static_cast<std::size_t>(n);
      written_ += static_cast<std::uint64_t>(n);
    }
  }
  void Write(const std::string& bytes, int ident) { Write(bytes.data(), bytes.size(), ident); }
  std::uint64_t Written() const { return written_; }
  // Executable as a program of its owner's making is (0755 less the umask),
  // and readable by nobody the archive is not readable by.
  void PutInPlace(unsigned archiveMode) {
    const unsigned readers = archiveMode & 0044;
    const unsigned mode = NarrowedMode(0755 & ~FileCreationMask(), {archiveMode | (readers >> 2)});
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0 || ::close(fd_) != 0) {
      fd_ = -1;
      Fail(ZipMessageText(kZipSfxArchiveCopy) + ": " + std::strerror(errno));
    }
    fd_ = -1;
    if (!RenameFile(temp_, exe_)) Fail(exe_ + " cannot be written: " + std::strerror(errno));
    temp_.clear();
  }

 private:
  std::string exe_;
  std::string temp_;
  int fd_ = -1;
  std::uint64_t written_ = 0;
};

}  // namespace

void WriteSelfExtractor(const std::string& stub, const std::string& header, const std::string& archive,
                        const std::string& exe) {
  std::optional<std::string> stubBytes = ReadWholeFile(stub);
  if (!stubBytes) Fail(stub + " cannot be read");
  // What a conversion killed before left beside the self-extractor goes first.
  RemoveStaleTemporaries(ExtractFilePath(exe));
  ExeFile out(exe);
  out.Write(*stubBytes, kZipSfxStubCopy);
  const std::uint64_t stubSize = stubBytes->size();
  out.Write(header, kZipSfxHeaderWrite);
  const std::uint64_t shift = stubSize + header.size();
  std::uint64_t archiveSize = kEndRecordSize;
  unsigned archiveMode = 0777;

  if (archive.empty()) {
    std::string end;
    EndRecordFields fields;
    fields.directoryOffset = static_cast<std::uint32_t>(shift);
    AppendEndRecord(end, fields, "");
    out.Write(end, kZipSfxArchiveCopy);
  } else {
    struct stat st {};
    if (::stat(archive.c_str(), &st) == 0) archiveMode = static_cast<unsigned>(st.st_mode);
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
      out.Write(buffer.data(), want, kZipSfxArchiveCopy);
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
    out.Write(directory, kZipSfxArchiveCopy);
    archiveSize = end.directoryOffset + directory.size();
  }
  if (out.Written() != shift + archiveSize) Fail("the sizes of stub, header and archive do not add up");
  out.PutInPlace(archiveMode);
}

}  // namespace orn
