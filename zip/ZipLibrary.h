// A loaded compression library: one per engine and kind.
#pragma once

#include <cstdint>
#include <string>

namespace orn {

struct LoadedLibrary {
  void* handle = nullptr;
  void* exec = nullptr;  // OrnZipExec or OrnUnzExec
  std::int32_t (*version)() = nullptr;
  std::string path;
  void Unload();
};

}  // namespace orn
