#include "ZipAdder.h"

#include "FileSystem.h"
#include "OrnZipLib.h"
#include "SfxMaker.h"
#include "TextUtil.h"
#include "ZipBlocks.h"
#include "ZipEngine.h"
#include "ZipMessages.h"
#include "ZipSpanner.h"

extern "C" int32_t OrnEngineCallback(OrnCallbackStruct* rec);

namespace orn {

void ZipAdder::Add() {
  TZipEngine& e = engine_;
  e.successCount_ = 0;
  // The file specifications are used up by every call, whatever its outcome.
  struct ClearSpecs {
    TZipEngine& e;
    ~ClearSpecs() {
      e.FSpecArgs.clear();
      e.FSpecArgsExcl.clear();
    }
  } clearSpecs{e};
  const AddOpts options = e.AddOptions();
  const std::string target = e.ZipFileName();
  if (e.FSpecArgs.empty()) return e.ShowZipMessage(kZipNothingToAdd);
  if (target.empty()) return e.ShowZipMessage(kZipNoArchive);
  if (e.Unattended() && options.Has(AddEncrypt) && e.Password().empty()) return e.ShowZipMessage(kZipEncryptNoPassword);
  const bool spanning = options.Has(AddDiskSpan) || options.Has(AddDiskSpanErase);
  const bool toExe = UpperAscii(ExtractFileExt(target)) == ".EXE";
  if (spanning && (options.Has(AddFreshen) || options.Has(AddUpdate))) return e.ShowZipMessage(kZipSpanWithUpdate);
  if (spanning && toExe) return e.ShowZipMessage(kZipSpanToExe);
  if (running_) return;
  // A new self-extractor: the library zips into a temporary archive, which
  // then becomes the ".exe" behind the stub.
  const bool newExe = toExe && !FileExists(target);

  const bool loadedHere = e.zipLib_.handle == nullptr;
  running_ = true;
  std::string temporary;
  struct Finish {
    ZipAdder& self;
    bool loadedHere;
    std::string& temporary;
    ~Finish() {
      if (!temporary.empty()) DeleteFileAt(temporary);
      self.running_ = false;
      if (loadedHere) self.engine_.UnloadZipLib();
      self.engine_.cancel_ = false;
      self.engine_.pendingError_ = nullptr;
    }
  } finish{*this, loadedHere, temporary};
  const bool done = e.Guarded(
      [&] {
        std::string archive = target;
        if (spanning || newExe) {
          archive = temporary = e.TemporaryZipName();
          if (e.Verbose() && e.OnMessage) e.OnMessage(e, 0, "Temporary zipfile: " + archive);
        }
        if (!e.LoadZipLib()) return;
        e.cancel_ = false;
        const int version = e.zipLib_.version();
        ZipParamBlock block(e, version, archive, e.ZipComment(), &OrnEngineCallback);
        e.zipJob_ = true;
        auto exec = reinterpret_cast<int32_t (*)(void*)>(e.zipLib_.exec);
        e.successCount_ = exec(block.Address());
        if (e.pendingError_) std::rethrow_exception(e.pendingError_);
        if (e.successCount_ <= 0) return;
        if (spanning) ZipSpanner(e).Split(archive, target);
        if (newExe) SfxMaker(e).Write(archive, target);
      },
      kZipAddException);
  if (!done) e.successCount_ = 0;
  if (e.successCount_ > 0) e.List();
}

}  // namespace orn
