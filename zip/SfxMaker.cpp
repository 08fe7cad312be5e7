#include "SfxMaker.h"

#include <algorithm>
#include <vector>

#include "FileSystem.h"
#include "ProgramFolders.h"
#include "SfxWriter.h"
#include "TextUtil.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace orn {

std::string SfxMaker::FindStub() const {
  const std::string path = ForwardSlashes(engine_.SFXPath());
  std::vector<std::string> places = {path};
  const std::string name = ExtractFileName(path).empty() ? "OrnSFX.bin" : ExtractFileName(path);
  places.push_back(JoinPath(ExecutableDir(), name));
  places.push_back(JoinPath(ExecutableDir(), "OrnSFX.bin"));
  places.push_back(ProgramLibraryDir() + "OrnSFX.bin");
  if (!engine_.LibDirectory().empty()) places.push_back(JoinPath(ForwardSlashes(engine_.LibDirectory()), "OrnSFX.bin"));
  for (const std::string& p : places)
    if (!p.empty() && FileExists(p)) return p;
  return {};
}

void SfxMaker::Write(const std::string& archive, const std::string& exe) {
  const SfxTexts texts{engine_.SFXCaption(), engine_.SFXDefaultDir(), engine_.SFXCommandLine(), engine_.SFXMessage()};
  const std::size_t longest =
      std::max({texts.caption.size(), texts.defaultDir.size(), texts.commandLine.size(), texts.message.size()});
  if (longest > 255) {
    const std::size_t total =
        texts.caption.size() + texts.defaultDir.size() + texts.commandLine.size() + texts.message.size();
    throw EZipEngine(kZipSfxTextsTooLong,
                     ZipMessageText(kZipSfxTextsTooLong) +
                         "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage = " + std::to_string(total),
                     true);
  }
  const std::string stub = FindStub();
  if (stub.empty()) throw EZipEngine(kZipSfxNoStub, ZipMessageText(kZipSfxNoStub) + ": " + engine_.SFXPath(), true);
  WriteSelfExtractor(stub, SfxHeader(SfxFlagByte(engine_.SFXOptions(), engine_.SFXOverWriteMode()), texts), archive,
                     exe);
}

int SfxMaker::Convert() {
  const std::string archive = engine_.ZipFileName();
  if (archive.empty() || !FileExists(archive)) {
    engine_.ShowZipMessage(kZipNoArchive, archive.empty() ? "" : ": " + archive);
    return kZipNoArchive;
  }
  if (UpperAscii(ExtractFileExt(archive)) != ".ZIP") {
    engine_.ShowZipMessage(kZipSfxNotZip, ": " + archive);
    return kZipSfxNotZip;
  }
  const std::string exe = archive.substr(0, archive.size() - 4) + ".exe";
  if (!engine_.Guarded([&] { Write(archive, exe); }, kZipSfxCreateFailed)) return engine_.LastErrCode();
  DeleteFileAt(archive);
  engine_.SetZipFileName(exe);
  return 0;
}

}  // namespace orn
