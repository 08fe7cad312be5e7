// Feeds arbitrary bytes to the unzip library's reading path as an archive:
// the directory through the record layer, then each small entry's local
// header, decryption and inflation into memory. It may refuse, never crash,
// overrun or hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "EntryDecoder.h"
#include "ZipRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = ::memfd_create("unzentry", MFD_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  orn::ZipDirectory dir;
  try {
    dir = orn::zipfmt::ReadCentralDirectory(fd, "fuzz.zip", orn::NameDecoding{cpAuto, 866, 1251});
  } catch (const EZipEngine&) {
    return 0;
  }
  constexpr std::uint64_t kMaxOut = 1 << 20;
  std::string out(kMaxOut, '\0');
  int decoded = 0;
  for (const ZipDirEntry& e : dir.entries) {
    if (decoded++ == 8) break;
    if (e.IsFolder() || e.UnpackedSize64 > kMaxOut) continue;
    orn::zipfmt::DecodeJob job;
    job.archiveFd = fd;
    job.entry = &e;
    job.outBuffer = out.data();
    job.outCapacity = out.size();
    if (e.IsEncrypted) {
      try {
        job.dataOffset = orn::LocalDataOffset(orn::FdZipSource(fd, size), e);
      } catch (const EZipEngine&) {
        continue;
      }
      job.password = "password";
    }
    orn::zipfmt::DecodeEntry(job);
  }
  return 0;
}
