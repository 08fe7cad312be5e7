// The process-wide handles of the two compression libraries.
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

LoadedLibrary& ZipLib();
LoadedLibrary& UnzLib();

}  // namespace orn
