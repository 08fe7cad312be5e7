// Random dictionary files: loading, lookups in every language, settings and
// adding texts must never crash, whatever the lines hold.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FileSystem.h"
#include "LanguageDictionary.h"

namespace {
const std::string& ScratchFile() {
  static const std::string path = "/dev/shm/orn-dictionary-fuzz-" + std::to_string(::getpid()) + ".ini";
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!orn::WriteFileAtomically(ScratchFile(), bytes)) return 0;
  orn::LanguageDictionary dictionary;
  if (!dictionary.Load(ScratchFile())) return 0;
  for (const char* key : {"CharSetINI", "LanguageName_", "LabSav", "msg_NoCopyFile", "ORNCBPOPUPMENU_1", ""})
    for (int index = -1; index <= 6; ++index) {
      dictionary.Lookup(key, index);
      dictionary.CharsetOf(index);
    }
  for (const char* setting : {"Language", "CharSetLabel", "FontForForm", ""}) dictionary.Setting(setting);
  dictionary.InsertBuiltInEntries();
  dictionary.AddTextEntry("FUZZ_KEY", bytes.substr(0, 40));
  dictionary.AddTextEntry("FUZZ_KEY2", "Arhīvs");
  dictionary.Lookup("FUZZ_KEY", 1);
  return 0;
}
