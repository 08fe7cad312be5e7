// Loading the two compression libraries. Each engine holds its own handles
// (the system counts them), so one engine unloading never pulls a library
// from under another; a library that a job loaded for itself is freed at the
// job's end, one loaded with LoadZipLib/LoadUnzLib stays until the engine
// goes.
#include "ZipLibrary.h"

#include <dlfcn.h>

#include "FileSystem.h"
#include "OrnZipLib.h"
#include "ProgramFolders.h"
#include "TextUtil.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace orn {

void LoadedLibrary::Unload() {
  if (handle) ::dlclose(handle);
  *this = LoadedLibrary();
}

}  // namespace orn

using orn::LoadedLibrary;

void TZipEngine::SetLibDirectory(const std::string& v) {
  libDirectory_ = v;
  if (!libDirectory_.empty() && (libDirectory_.back() == '\\' || libDirectory_.back() == '/')) libDirectory_.pop_back();
}

// LibDirectory first, then the program's library folder, then the system search.
std::string TZipEngine::LibraryPath(const std::string& fileName) const {
  if (!libDirectory_.empty()) {
    std::string path = orn::JoinPath(orn::ForwardSlashes(libDirectory_), fileName);
    if (orn::FileExists(path)) return path;
  }
  std::string besideProgram = orn::ProgramLibraryDir() + fileName;
  if (orn::FileExists(besideProgram)) return besideProgram;
  return fileName;
}

bool TZipEngine::LoadLib(bool zip) {
  LoadedLibrary& lib = zip ? zipLib_ : unzLib_;
  if (lib.handle) return true;
  const std::string fileName = zip ? "libornzip.so" : "libornunz.so";
  const int loadFailed = zip ? orn::kZipZipLibLoadFailed : orn::kZipUnzLibLoadFailed;
  const int loaded = zip ? orn::kZipZipLibTrace : orn::kZipUnzLibTrace;
  const int noExec = zip ? orn::kZipZipLibNoExec : orn::kZipUnzLibNoExec;
  const int noVersion = zip ? orn::kZipZipLibNoVersion : orn::kZipUnzLibNoVersion;
  const std::string path = LibraryPath(fileName);
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    ShowZipMessage(loadFailed, std::string("\n") + (why ? why : path));
    return false;
  }
  if (trace_) ShowZipMessage(loaded, ": " + path);
  void* exec = ::dlsym(handle, zip ? ORN_ZIPEXEC_NAME : ORN_UNZEXEC_NAME);
  void* version = ::dlsym(handle, zip ? ORN_GETZIPVERSION_NAME : ORN_GETUNZVERSION_NAME);
  if (!exec || !version) {
    ShowZipMessage(exec ? noVersion : noExec, ": " + path);
    ::dlclose(handle);
    return false;
  }
  lib.handle = handle;
  lib.exec = exec;
  lib.version = reinterpret_cast<int32_t (*)()>(version);
  lib.path = path;
  return true;
}

bool TZipEngine::LoadZipLib() { return LoadLib(true); }
bool TZipEngine::LoadUnzLib() { return LoadLib(false); }
void TZipEngine::UnloadZipLib() {
  if (!AddRunning() || !zipLib_.handle) zipLib_.Unload();
}
void TZipEngine::UnloadUnzLib() {
  if (!ExtractRunning() || !unzLib_.handle) unzLib_.Unload();
}

int TZipEngine::ZipLibVersion() {
  const bool wasLoaded = zipLib_.handle != nullptr;
  if (!LoadZipLib()) return 0;
  int version = zipLib_.version();
  if (!wasLoaded) UnloadZipLib();
  return version;
}

int TZipEngine::UnzLibVersion() {
  const bool wasLoaded = unzLib_.handle != nullptr;
  if (!LoadUnzLib()) return 0;
  int version = unzLib_.version();
  if (!wasLoaded) UnloadUnzLib();
  return version;
}
