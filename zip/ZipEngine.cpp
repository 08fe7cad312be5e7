// The component's properties, its message reporting, List, Add and Extract.
// The library handling is in ZipLibrary.cpp, the callback in ZipCallback.cpp,
// the blocks in ZipBlocks.cpp and the directory reader in ZipDirReader.cpp.
#include "ZipEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "CodePage.h"
#include "DialogService.h"
#include "ExtractGuard.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "ProcessMessages.h"
#include "ProgramFolders.h"
#include "SfxWriter.h"
#include "Spanning.h"
#include "TextUtil.h"
#include "ZipBlocks.h"
#include "ZipLibrary.h"
#include "ZipMessages.h"

extern "C" int32_t OrnEngineCallback(OrnCallbackStruct* rec);

namespace {

// Runs its action when the scope ends, on every path.
template <class F>
class AtExit {
 public:
  explicit AtExit(F f) : f_(std::move(f)) {}
  ~AtExit() { f_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  F f_;
};

}  // namespace

TZipEngine::TZipEngine() = default;
TZipEngine::~TZipEngine() {
  zipLib_.Unload();
  unzLib_.Unload();
}

void TZipEngine::SetZipFileName(const std::string& v) {
  zipFileName_ = v;
  List();
}

orn::NameDecoding TZipEngine::NamesDecoding() const {
  return {codePage_, orn::CharsetToOemCodePage(namesCharset_), orn::CharsetToCodePage(namesCharset_)};
}

void TZipEngine::SetRootDir(const std::string& v) { rootDir_ = v.empty() ? v : orn::IncludeTrailingDelimiter(v); }

void TZipEngine::ShowZipMessage(int ident, const std::string& detail) {
  // A text with a place for a value gets the detail there, never a bare "%d".
  const std::string resource = orn::ZipMessageText(ident);
  std::string text = resource + detail;
  if (resource.find('%') != std::string::npos)
    text = orn::FormatZipMessage(resource, detail.rfind(": ", 0) == 0 ? detail.substr(2) : detail);
  lastMessage_ = text;
  lastErrCode_ = ident;
  lastFullErrCode_ = ident;
  if (!unattended_) orn::Dialogs().MessageDialog(text, "", orn::DialogType::Information, orn::kBtnOK);
  if (OnMessage) OnMessage(*this, 0, text);
}

void TZipEngine::ShowExceptionError(const EZipEngine& error) {
  lastMessage_ = error.what();
  lastErrCode_ = error.Ident();
  lastFullErrCode_ = error.Ident();
  if (error.Display() && !unattended_)
    orn::Dialogs().MessageDialog(lastMessage_, "", orn::DialogType::Information, orn::kBtnOK);
  if (OnMessage) OnMessage(*this, 0, lastMessage_);
}

// --- List ---------------------------------------------------------------------

std::string TZipEngine::ArchiveStamp() const {
  struct stat st {};
  if (::stat(zipFileName_.c_str(), &st) != 0) return std::string();
  return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ino);
}

void TZipEngine::List() {
  listedStamp_.clear();
  dirEntries_.clear();
  directory_ = orn::ZipDirectoryInfo();
  if (zipFileName_.empty() || !orn::FileExists(zipFileName_)) {
    if (OnDirUpdate) OnDirUpdate(*this);
    return;
  }
  bool failed = true;
  const std::string where = "\n" + zipFileName_;
  try {
    orn::FileZipSource source(zipFileName_);
    if (!source.Ok())
      throw EZipEngine(orn::kZipOpenRaised, orn::ZipMessageText(orn::kZipOpenRaised) + ": " + source.Error(), true);
    orn::ZipDirOptions options;
    options.names = NamesDecoding();
    options.useDirOnlyEntries = useDirOnlyEntries_;
    options.labelVolume = orn::VolumeNumberInSet(zipFileName_);
    orn::ZipDirReader reader(source, options);
    reader.OnWarning([this, &where](int ident, const std::string& detail) {
      ShowZipMessage(ident, (detail.empty() ? "" : ": " + detail) + where);
    });
    if (OnNewName) reader.OnNewName([this](int seqNo, const ZipDirEntry& e) { OnNewName(*this, seqNo, e); });
    orn::ZipEndRecord end;
    orn::ZipDirectoryInfo probe;
    // A quiet look first: the reader reports its warnings once, when it reads.
    if (orn::ZipDirReader(source, options).FindEndOfDirectory(end, probe, false) && end.directoryDisk < end.thisDisk &&
        !end.zip64) {
      // A directory larger than the room on the last volume starts on an
      // earlier one: the set is joined and the joined archive listed.
      if (!ListJoined(options, end)) return;
    } else {
      reader.Read(dirEntries_, directory_);
    }
    listedStamp_ = ArchiveStamp();
    failed = false;
  } catch (const EZipEngine& e) {
    ShowExceptionError(EZipEngine(e.Ident(), e.what() + where, e.Display()));
  } catch (const std::bad_alloc&) {
    ShowZipMessage(orn::kZipOutOfMemory, where);
  } catch (const std::exception& e) {
    ShowZipMessage(orn::kZipListException, e.what() + where);
  }
  if (failed) {
    zipFileName_.clear();
    directory_.firstLocalOffset = 0;
  }
  if (OnDirUpdate) OnDirUpdate(*this);
}

bool TZipEngine::ListJoined(const orn::ZipDirOptions& options, const orn::ZipEndRecord& end) {
  const std::string volume = zipFileName_;
  std::string joined = tempDir_.empty() ? orn::ExtractFilePath(MakeTempZipName()) : tempDir_;
  if (JoinVolumes(volume, joined) != 0) {
    zipFileName_.clear();
    if (OnDirUpdate) OnDirUpdate(*this);
    return false;
  }
  AtExit removeJoined([&joined] { orn::DeleteFileAt(joined); });
  orn::FileZipSource source(joined);
  orn::ZipDirReader reader(source, options);
  reader.Read(dirEntries_, directory_);
  // What the listing says about the set, not about the joined copy.
  directory_.volumeCount = static_cast<int>(end.thisDisk);
  directory_.spanned = true;
  return true;
}

// --- Add ------------------------------------------------------------------------

std::string TZipEngine::MakeTempZipName() {
  std::string dir;
  if (!tempDir_.empty()) {
    tempDir_ = orn::IncludeTrailingDelimiter(tempDir_);
    dir = tempDir_;
  } else {
    const char* tmp = std::getenv("TMPDIR");
    dir = orn::IncludeTrailingDelimiter(tmp && *tmp ? tmp : "/tmp");
  }
  std::string pattern = dir + "zipXXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw EZipEngine(orn::kZipNoTempName);
  ::close(fd);
  orn::DeleteFileAt(pattern);
  return pattern + ".zip";
}

orn::SpanEvents TZipEngine::SpanningEvents() {
  orn::SpanEvents events;
  events.message = [this](const std::string& text) {
    if (OnMessage) OnMessage(*this, 0, text);
  };
  events.progress = [this](ProgressType type, const std::string& name, std::int64_t size) {
    if (OnProgress) OnProgress(*this, type, name, size);
  };
  events.cancelled = [this] {
    orn::ProcessMessages();
    return cancel_;
  };
  if (!unattended_) {
    events.overwrite = [](const std::string& file) {
      const std::string text = orn::FormatZipMessage(orn::ZipMessageText(orn::kSpanOverwriteFile), file);
      return orn::Dialogs().MessageDialog(text, "Confirm", orn::DialogType::Warning, orn::kBtnYes | orn::kBtnNo) ==
             orn::kMrYes;
    };
  }
  return events;
}

// Results as the design gives them: 0, -7 after an EZipEngine, -8 out of
// memory, -9 after any other exception; each reported here.
int TZipEngine::SpanResult(const std::function<void()>& step) {
  try {
    step();
    return 0;
  } catch (const EZipEngine& e) {
    ShowExceptionError(e);
    return -7;
  } catch (const std::bad_alloc&) {
    ShowZipMessage(orn::kZipOutOfMemory);
    return -8;
  } catch (const std::exception& e) {
    ShowZipMessage(orn::kZipVolumeJoin, e.what());
    return -9;
  }
}

int TZipEngine::SplitToVolumes(const std::string& tempZip, const std::string& target) {
  orn::SpanSettings settings{maxVolumeSize_, keepFreeOnDisk1_, minFreeVolumeSize_};
  return SpanResult([&] { orn::SplitZipToVolumes(tempZip, target, settings, SpanningEvents()); });
}

int TZipEngine::JoinVolumes(const std::string& volumeName, std::string& outputPath) {
  const bool isDir = orn::DirectoryExists(outputPath);
  std::string output = outputPath;
  const int result = SpanResult([&] {
    if (isDir) {
      std::string pattern = orn::IncludeTrailingDelimiter(outputPath) + "zipXXXXXX";
      int fd = ::mkstemp(pattern.data());
      if (fd < 0) throw EZipEngine(orn::kZipNoTempName);
      ::close(fd);
      orn::DeleteFileAt(pattern);
      output = pattern + ".zip";
    } else {
      orn::DeleteFileAt(output);
      output = output.substr(0, output.size() - orn::ExtractFileExt(output).size()) + ".zip";
    }
    orn::JoinZipVolumes(volumeName, output, SpanningEvents());
  });
  outputPath = result == 0 ? output : std::string();
  return result;
}

// --- Self-extractors -------------------------------------------------------------

std::string TZipEngine::FindSfxStub() const {
  std::vector<std::string> places = {orn::ForwardSlashes(sfxPath_)};
  const std::string name = orn::ExtractFileName(orn::ForwardSlashes(sfxPath_)).empty()
                               ? "OrnSFX.bin"
                               : orn::ExtractFileName(orn::ForwardSlashes(sfxPath_));
  places.push_back(orn::JoinPath(orn::ExecutableDir(), name));
  places.push_back(orn::JoinPath(orn::ExecutableDir(), "OrnSFX.bin"));
  places.push_back(orn::ProgramLibraryDir() + "OrnSFX.bin");
  if (!libDirectory_.empty()) places.push_back(orn::JoinPath(orn::ForwardSlashes(libDirectory_), "OrnSFX.bin"));
  for (const std::string& p : places)
    if (!p.empty() && orn::FileExists(p)) return p;
  return {};
}

// Writes `exe` from the stub, the header and `archive` (empty: an empty
// archive); 0 or the identifier reported.
int TZipEngine::WriteSfx(const std::string& archive, const std::string& exe) {
  const orn::SfxTexts texts{sfxCaption_, sfxDefaultDir_, sfxCommandLine_, sfxMessage_};
  const std::size_t longest =
      std::max({texts.caption.size(), texts.defaultDir.size(), texts.commandLine.size(), texts.message.size()});
  if (longest > 255) {
    const std::size_t total =
        texts.caption.size() + texts.defaultDir.size() + texts.commandLine.size() + texts.message.size();
    ShowZipMessage(orn::kZipSfxTextsTooLong,
                   "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage = " + std::to_string(total));
    return orn::kZipSfxTextsTooLong;
  }
  const std::string stub = FindSfxStub();
  if (stub.empty()) {
    ShowZipMessage(orn::kZipSfxNoStub, ": " + sfxPath_);
    return orn::kZipSfxNoStub;
  }
  try {
    orn::WriteSelfExtractor(stub, orn::SfxHeader(orn::SfxFlagByte(sfxOptions_, sfxOverWriteMode_), texts), archive,
                            exe);
  } catch (const EZipEngine& e) {
    ShowExceptionError(e);
    return e.Ident();
  }
  return 0;
}

int TZipEngine::ConvertToSFX() {
  if (zipFileName_.empty() || !orn::FileExists(zipFileName_)) {
    ShowZipMessage(orn::kZipNoArchive, zipFileName_.empty() ? "" : ": " + zipFileName_);
    return orn::kZipNoArchive;
  }
  if (orn::UpperAscii(orn::ExtractFileExt(zipFileName_)) != ".ZIP") {
    ShowZipMessage(orn::kZipSfxNotZip, ": " + zipFileName_);
    return orn::kZipSfxNotZip;
  }
  const std::string archive = zipFileName_;
  const std::string exe = archive.substr(0, archive.size() - 4) + ".exe";
  if (int result = WriteSfx(archive, exe); result != 0) return result;
  orn::DeleteFileAt(archive);
  SetZipFileName(exe);
  return 0;
}

void TZipEngine::SetAddAesKeyBits(int bits) {
  if (bits != 0 && bits != 128 && bits != 192 && bits != 256)
    throw std::invalid_argument("AES keys have 128, 192 or 256 bits, not " + std::to_string(bits));
  addAesKeyBits_ = bits;
}

void TZipEngine::Add() {
  successCount_ = 0;
  // The file specifications are used up by every call, whatever its outcome.
  AtExit clearSpecs([this] {
    FSpecArgs.clear();
    FSpecArgsExcl.clear();
  });
  if (FSpecArgs.empty()) return ShowZipMessage(orn::kZipNothingToAdd);
  if (zipFileName_.empty()) return ShowZipMessage(orn::kZipNoArchive);
  if (unattended_ && addOptions_.Has(AddEncrypt) && password_.empty())
    return ShowZipMessage(orn::kZipEncryptNoPassword);
  const bool spanning = addOptions_.Has(AddDiskSpan) || addOptions_.Has(AddDiskSpanErase);
  const bool toExe = orn::UpperAscii(orn::ExtractFileExt(zipFileName_)) == ".EXE";
  if (spanning && (addOptions_.Has(AddFreshen) || addOptions_.Has(AddUpdate)))
    return ShowZipMessage(orn::kZipSpanWithUpdate);
  if (spanning && toExe) return ShowZipMessage(orn::kZipSpanToExe);
  if (addRunning_) return;
  // A new self-extractor: the library zips into a temporary archive, which
  // then becomes the ".exe" behind the stub.
  const bool newExe = toExe && !orn::FileExists(zipFileName_);

  std::string archive = zipFileName_;
  const bool loadedHere = zipLib_.handle == nullptr;
  addRunning_ = true;
  AtExit finish([this, loadedHere] {
    addRunning_ = false;
    if (loadedHere) UnloadZipLib();
    cancel_ = false;
    pendingError_ = nullptr;
  });
  try {
    if (spanning || newExe) {
      archive = MakeTempZipName();
      if (verbose_ && OnMessage) OnMessage(*this, 0, "Temporary zipfile: " + archive);
    }
    if (!LoadZipLib()) return;
    cancel_ = false;
    const int version = zipLib_.version();
    orn::ZipParamBlock block(*this, version, archive, ZipComment(), &OrnEngineCallback);
    zipJob_ = true;
    auto exec = reinterpret_cast<int32_t (*)(void*)>(zipLib_.exec);
    successCount_ = exec(block.Address());
    if (pendingError_) std::rethrow_exception(pendingError_);
    if (spanning) {
      if (successCount_ > 0 && SplitToVolumes(archive, zipFileName_) != 0) successCount_ = 0;
      orn::DeleteFileAt(archive);
    } else if (newExe) {
      if (successCount_ > 0 && WriteSfx(archive, zipFileName_) != 0) successCount_ = 0;
      orn::DeleteFileAt(archive);
    }
  } catch (const EZipEngine& e) {
    if ((spanning || newExe) && archive != zipFileName_) orn::DeleteFileAt(archive);
    successCount_ = 0;
    ShowExceptionError(e);
  } catch (const std::exception& e) {
    if ((spanning || newExe) && archive != zipFileName_) orn::DeleteFileAt(archive);
    successCount_ = 0;
    ShowZipMessage(orn::kZipAddException, std::string(": ") + e.what());
  }
  if (successCount_ > 0) List();
}

// --- Extract ----------------------------------------------------------------------

// Decides what the library is given: the lines of FSpecArgs as they are
// (the library decodes names as this engine lists them, so a listed name is
// found by that name); or, when any chosen entry is unsafe, the listed names
// of the safe chosen entries only. Unsafe entries are reported and skipped.
// Works on the directory List read; `anySelected` is false when nothing is
// left.
void TZipEngine::PrepareExtractSpecs(std::vector<std::string>& fileSpecs, bool& anySelected) {
  const std::vector<ZipDirEntry>& all = dirEntries_;
  auto chosen = [this](const ZipDirEntry& e) {
    if (FSpecArgs.empty()) return true;
    const std::string shown = orn::MatchingForm(e.Name);
    for (const std::string& line : FSpecArgs) {
      const std::string mask = orn::MatchingForm(line);
      if (mask == shown || orn::MatchesMask(shown, mask)) return true;
    }
    return false;
  };
  // Testing writes nothing, so every entry may be tested.
  std::vector<std::string> reasons(all.size());
  if (!extrOptions_.Has(ExtrTest)) reasons = orn::UnsafeEntryReasons(all, extrBaseDir_, extrOptions_.Has(ExtrDirNames));
  std::vector<std::size_t> safe;
  std::string skipped;
  int skippedCount = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!chosen(all[i])) continue;
    if (reasons[i].empty()) {
      safe.push_back(i);
      continue;
    }
    ++skippedCount;
    if (skippedCount <= 10) skipped += "\n" + all[i].Name + " (" + reasons[i] + ")";
    if (OnExtractSkipped) OnExtractSkipped(*this, all[i].Name, stUnsafePath, ORN_ZE_UNSAFE);
  }
  fileSpecs.clear();
  anySelected = true;
  if (skippedCount == 0) {
    fileSpecs = FSpecArgs;
    return;
  }
  if (skippedCount > 10) skipped += "\n... " + std::to_string(skippedCount - 10) + " more";
  ShowZipMessage(orn::kZipUnsafeEntry, skipped);
  for (std::size_t i : safe) fileSpecs.push_back(all[i].Name);
  anySelected = !fileSpecs.empty();
}

void TZipEngine::Extract() {
  successCount_ = 0;
  AtExit clearSpecs([this] { FSpecArgs.clear(); });
  if (zipFileName_.empty() || !orn::FileExists(zipFileName_))
    return ShowZipMessage(orn::kZipNoArchive, zipFileName_.empty() ? "" : ": " + zipFileName_);
  if (extractRunning_) return;
  // The entries to extract are chosen from the directory as listed; an
  // archive written over since then is listed again, and one that no longer
  // reads is reported as listing reports it.
  if (ArchiveStamp() != listedStamp_) {
    List();
    if (zipFileName_.empty()) return;
  }

  unsigned reqCount = passwordReqCount_;
  bool anyEncrypted = false;
  for (const ZipDirEntry& e : dirEntries_) anyEncrypted = anyEncrypted || e.IsEncrypted;
  const bool noPassword = unattended_ && password_.empty() && !OnPasswordError;
  if (noPassword && anyEncrypted) {
    reqCount = 0;
    ShowZipMessage(orn::kZipExtractNoPassword);
  }

  const bool loadedHere = unzLib_.handle == nullptr;
  extractRunning_ = true;
  // The library is handed absolute paths; the process's folder is left alone.
  const std::string currentDir = orn::CurrentDir();
  std::string joined;
  AtExit finish([&, this] {
    if (!joined.empty()) orn::DeleteFileAt(joined);
    extractRunning_ = false;
    if (loadedHere) UnloadUnzLib();
    cancel_ = false;
    pendingError_ = nullptr;
  });
  try {
    if (!LoadUnzLib()) return;
    std::string archive = zipFileName_;
    if (!orn::IsAbsolutePath(archive)) archive = orn::JoinPath(currentDir, archive);
    if (directory_.spanned) {
      // The library reads ordinary archives only: the set is joined into a
      // temporary zip first, which is removed when the job ends.
      joined = tempDir_.empty() ? orn::ExtractFilePath(MakeTempZipName()) : tempDir_;
      if (JoinVolumes(archive, joined) != 0) return;
      archive = joined;
    }
    std::string baseDir = extrBaseDir_;
    if (!baseDir.empty() && !orn::IsAbsolutePath(baseDir)) baseDir = orn::JoinPath(currentDir, baseDir);

    std::vector<std::string> fileSpecs;
    bool anySelected = true;
    PrepareExtractSpecs(fileSpecs, anySelected);
    if (!anySelected) return;

    if (baseDir.empty()) baseDir = currentDir;
    cancel_ = false;
    const int version = unzLib_.version();
    std::string password = password_;
    if (version < 160 && unattended_ && addOptions_.Has(AddEncrypt) && password.empty()) {
      // Older libraries ask for a password whatever the count says; a filler
      // that fits no archive keeps them from asking.
      for (int i = 0; i < 80; ++i) password += static_cast<char>('A' + (std::rand() % 26));
    }
    orn::UnzipParamBlock block(*this, version, archive, fileSpecs, password, reqCount, baseDir, &OrnEngineCallback);
    zipJob_ = false;
    auto exec = reinterpret_cast<int32_t (*)(void*)>(unzLib_.exec);
    successCount_ = exec(block.Address());
    if (pendingError_) std::rethrow_exception(pendingError_);
  } catch (const EZipEngine& e) {
    successCount_ = 0;
    ShowExceptionError(e);
  } catch (const std::exception& e) {
    successCount_ = 0;
    ShowZipMessage(orn::kZipExtractException, std::string(": ") + e.what());
  }
}
