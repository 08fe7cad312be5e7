// A small command-line driver of the two libraries, for timing them by hand
// beside other zip tools:
//   ornzipdrv a [-0..-9] [-r] [-P password] [-q] archive pattern...
//   ornzipdrv x [-o] [-d dir] [-P password] [-q] archive [entry...]
//   ornzipdrv t archive
//   ornzipdrv l archive
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "OrnZipLib.h"
#include "UniqueFd.h"
#include "ZipRecords.h"

namespace {

bool gQuiet = false;

int32_t Callback(OrnCallbackStruct* rec) {
  if (rec->ActionCode == ORN_CB_MESSAGE || rec->ActionCode == ORN_CB_SKIPPED)
    std::fprintf(stderr, "%s%s (%d)\n", rec->ActionCode == ORN_CB_SKIPPED ? "skipped: " : "", rec->FileNameOrMsg,
                 rec->ErrorCode);
  else if (rec->ActionCode == ORN_CB_ITEM_START && !gQuiet)
    std::printf("  %s\n", rec->FileNameOrMsg);
  return 0;
}

void* Load(const char* name) {
  std::string self(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
  self.resize(n > 0 ? std::size_t(n) : 0);
  std::string dir = self.substr(0, self.rfind('/') + 1);
  void* h = ::dlopen((dir + name).c_str(), RTLD_NOW);
  if (!h) h = ::dlopen(name, RTLD_NOW);
  if (!h) std::fprintf(stderr, "cannot load %s: %s\n", name, ::dlerror());
  return h;
}

int Usage() {
  std::fprintf(stderr, "usage: ornzipdrv a|x|t|l [options] archive [names...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string cmd = argv[1];
  int level = 9;
  bool recurse = false, overwrite = false, best = false;
  std::string password, dir;
  int i = 2;
  for (; i < argc && argv[i][0] == '-' && argv[i][1]; ++i) {
    std::string o = argv[i];
    if (o.size() == 2 && o[1] >= '0' && o[1] <= '9')
      level = o[1] - '0';
    else if (o == "-r")
      recurse = true;
    else if (o == "--best")
      best = true;
    else if (o == "-o")
      overwrite = true;
    else if (o == "-q")
      gQuiet = true;
    else if (o == "-P" && i + 1 < argc)
      password = argv[++i];
    else if (o == "-d" && i + 1 < argc)
      dir = argv[++i];
    else
      return Usage();
  }
  if (i >= argc) return Usage();
  std::string archive = argv[i++];
  std::vector<std::string> names(argv + i, argv + argc);

  if (cmd == "l") {
    orn::UniqueFd fd(::open(archive.c_str(), O_RDONLY));
    try {
      auto cd = orn::zipfmt::ReadCentralDirectory(fd.Get(), archive);
      for (const auto& e : cd.entries)
        std::printf("%10llu  %s\n", static_cast<unsigned long long>(e.UnpackedSize64), e.Name.c_str());
      std::printf("%zu entries\n", cd.entries.size());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
    return 0;
  }
  if (cmd == "a") {
    void* h = Load("libornzip.so");
    if (!h) return 1;
    auto exec = reinterpret_cast<OrnZipExecFunc>(::dlsym(h, ORN_ZIPEXEC_NAME));
    std::vector<OrnZipFileData> fds(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
      fds[k].fFileSpec = names[k].c_str();
      fds[k].fRecurse = recurse ? -1 : 0;
      fds[k].fEncrypt = password.empty() ? 0 : -1;
      fds[k].fPassword = password.empty() ? nullptr : password.c_str();
    }
    OrnZipParams p{};
    p.Version = ORN_ZIP_INTERFACE_VERSION;
    p.ZCallbackFunc = Callback;
    p.fLevel = level;
    p.fBest = best ? -1 : 0;
    p.fQuiet = -1;
    p.fGrow = -1;
    p.fRecurse = recurse ? -1 : 0;
    p.fNoDirEntries = -1;
    p.Argc = int32_t(fds.size());
    p.FDs = fds.data();
    p.pZipFN = archive.c_str();
    p.fSeven = ORN_BLOCK_END_MARK;
    int n = exec(&p);
    std::printf("%d files added\n", n);
    return n > 0 ? 0 : 1;
  }
  if (cmd == "x" || cmd == "t") {
    void* h = Load("libornunz.so");
    if (!h) return 1;
    auto exec = reinterpret_cast<OrnUnzExecFunc>(::dlsym(h, ORN_UNZEXEC_NAME));
    std::vector<OrnUnzipFileData> fds(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) fds[k].fFileSpec = names[k].c_str();
    OrnUnzipParams p{};
    p.Version = ORN_ZIP_INTERFACE_VERSION;
    p.ZCallbackFunc = Callback;
    p.pZipPassword = password.empty() ? nullptr : password.c_str();
    p.fTest = cmd == "t" ? -1 : 0;
    p.fQuiet = -1;
    p.fDirectories = -1;
    p.fOverwrite = overwrite ? -1 : 0;
    p.Argc = int32_t(fds.size());
    p.FDs = fds.data();
    p.pZipFN = archive.c_str();
    p.fPWReqCount = 1;
    p.fSeven = ORN_BLOCK_END_MARK;
    p.ExtrBaseDir = dir.empty() ? nullptr : dir.c_str();
    int n = exec(&p);
    std::printf("%d files %s\n", n, cmd == "t" ? "tested" : "extracted");
    return n > 0 ? 0 : 1;
  }
  return Usage();
}
