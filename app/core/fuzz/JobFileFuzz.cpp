// Random job file texts: the reader must take every one without crashing,
// and what it read must survive being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "JobFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orn::Job job;
  orn::ParseJobFile(job, text);
  const std::string written = orn::FormatJobFile(job);
  orn::Job again;
  again.lastArchivingDate = job.lastArchivingDate;
  again.volumeSize = job.volumeSize;
  orn::ParseJobFile(again, written);
  if (orn::FormatJobFile(again) != written) std::abort();
  return 0;
}
