// Offsets in the directory are corrected by the number of bytes found in
// front of the archive (a stub or a prefix), the way the common unzip tools
// do, so such archives extract as well.
#include "ZipRecords.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "OrnZipLib.h"
#include "ZipMessages.h"

namespace orn::zipfmt {

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

int ProtocolCode(int ident) {
  switch (ident) {
    case kZipReadError:
    case kZipDirReadError:
    case kZipSeekError:
      return ORN_ZE_READ;
    case kZipLocalHeaderError:
      return ORN_ZE_EOF;
    case kZipOutOfMemory:
      return ORN_ZE_MEMORY;
    case kZipOpenRaised:
      return ORN_ZE_OPEN;
    default:
      return ORN_ZE_FORMAT;
  }
}

ZipDirectory ReadCentralDirectory(int fd, const std::string& path, const NameDecoding& names) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EZipEngine(kZipOpenRaised, ZipMessageText(kZipOpenRaised) + ": " + path, true);
  FdZipSource source(fd, std::uint64_t(st.st_size));
  ZipDirOptions options;
  options.names = names;
  options.useDirOnlyEntries = true;
  ZipDirectory dir;
  try {
    ZipDirReader(source, options).Read(dir.entries, dir.info);
  } catch (const EZipEngine& e) {
    throw EZipEngine(e.Ident(), std::string(e.what()) + ": " + path, true);
  }
  if (dir.info.spanned || dir.info.volumeCount != 0)
    throw EZipEngine(kZipNotAnArchive, "Archive is one volume of a multi-volume set, join the set first: " + path,
                     true);
  return dir;
}

}  // namespace orn::zipfmt
