// Random Params.ini texts: the settings reader must take every one, and the
// settings it ends with must be written back as a file that reads as sound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FrameworkSettings.h"
#include "TextUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orn::FrameworkValues values;
  orn::ReadParams(orn::SplitLines(text), values);
  const std::vector<std::string> written = orn::ParamsLines(values);
  orn::FrameworkValues again = values;
  if (orn::ReadParams(written, again)) std::abort();  // sound values read as sound
  if (orn::ParamsLines(again) != written) std::abort();
  return 0;
}
