// Feeds arbitrary bytes to the directory reader as an archive: it may
// report a failure, never crash, overrun or hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ZipDirReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orn::MemoryZipSource source(std::string_view(reinterpret_cast<const char*>(data), size));
  for (CodePageOpts codePage : {cpAuto, cpOEM}) {
    orn::ZipDirOptions options;
    options.names.codePage = codePage;
    options.useDirOnlyEntries = codePage == cpOEM;
    orn::ZipDirReader reader(source, options);
    reader.OnWarning([](int, const std::string&) {});
    std::vector<ZipDirEntry> entries;
    orn::ZipDirectoryInfo info;
    try {
      reader.Read(entries, info);
    } catch (const EZipEngine&) {
    }
  }
  return 0;
}
