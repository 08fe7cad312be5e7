// TZipEngine: the non-visual zip component. It lists an archive's central
// directory itself and hands adding and extracting to the two compression
// libraries through their parameter blocks, serving their callbacks by
// raising its own events. Every situation it meets is reported by message
// identifier (ShowZipMessage): shown through its questions observer unless
// Unattended, then OnMessage. Inside, every failure is an EZipEngine, caught
// once by the published operation that ran into it.
//
// The component keeps its published surface and hands the work to small
// classes, one per job: ZipLister (List), ZipExtractor (Extract), ZipAdder
// (Add), ZipSpanner (volume sets), SfxMaker (self-extractors); the library
// handling is ZipLibrary.cpp, the callback ZipCallback.cpp, the blocks
// ZipBlocks.cpp.
//
// Data flow: ZipFileName= -> ZipLister (the record layer's reader, once) ->
// DirEntries; FSpecArgs (or places in DirEntries) -> ZipExtractor -> entry
// indexes + the directory -> unzip block -> OrnUnzExec -> callback -> events
// -> SuccessCount; FSpecArgs + options -> ZipAdder -> zip block -> OrnZipExec.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EZipEngine.h"
#include "ZipDirEntries.h"
#include "ZipDirEntry.h"
#include "ZipDirReader.h"
#include "ZipLibrary.h"
#include "ZipQuestions.h"
#include "ZipTypes.h"

struct OrnCallbackStruct;

namespace orn {
class ZipLister;
class ZipExtractor;
class ZipAdder;
class ZipSpanner;
class SfxMaker;
}  // namespace orn

class TZipEngine {
 public:
  TZipEngine();
  ~TZipEngine();
  TZipEngine(const TZipEngine&) = delete;
  TZipEngine& operator=(const TZipEngine&) = delete;

  // --- published properties ----------------------------------------------
  bool Verbose() const { return verbose_; }
  void SetVerbose(bool v) { verbose_ = v; }
  bool Trace() const { return trace_; }
  void SetTrace(bool v) { trace_ = v; }
  int AddCompLevel() const { return addCompLevel_; }
  void SetAddCompLevel(int v) { addCompLevel_ = v; }
  AddOpts AddOptions() const { return addOptions_; }
  void SetAddOptions(AddOpts v) { addOptions_ = v; }
  // Additions of this build: store symbolic links as links instead of
  // following them, and compress with the slowest, tightest deflate level
  // (for archives kept long) instead of AddCompLevel 9's.
  bool AddStoreLinks() const { return addStoreLinks_; }
  void SetAddStoreLinks(bool v) { addStoreLinks_ = v; }
  bool AddBest() const { return addBest_; }
  void SetAddBest(bool v) { addBest_ = v; }
  // Encrypted entries (AddEncrypt, or a "<" password on a line) use AES
  // with keys of this many bits (128, 192 or 256) instead of the
  // traditional zip encryption, which 0 keeps. Other values are refused
  // with std::invalid_argument.
  int AddAesKeyBits() const { return addAesKeyBits_; }
  void SetAddAesKeyBits(int bits);
  const std::string& ExtrBaseDir() const { return extrBaseDir_; }
  void SetExtrBaseDir(const std::string& v) { extrBaseDir_ = v; }
  ExtrOpts ExtrOptions() const { return extrOptions_; }
  void SetExtrOptions(ExtrOpts v) { extrOptions_ = v; }
  SFXOpts SFXOptions() const { return sfxOptions_; }
  void SetSFXOptions(SFXOpts v) { sfxOptions_ = v; }
  // Entry specifications for Add and Extract; emptied after every job.
  std::vector<std::string> FSpecArgs;
  std::vector<std::string> FSpecArgsExcl;
  bool Unattended() const { return unattended_; }
  void SetUnattended(bool v) { unattended_ = v; }
  const std::string& ZipFileName() const { return zipFileName_; }
  // Assigning runs List at once.
  void SetZipFileName(const std::string& v);
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& v) { password_ = v.substr(0, 255); }
  const std::string& SFXPath() const { return sfxPath_; }
  void SetSFXPath(const std::string& v) { sfxPath_ = v; }
  const std::string& LibDirectory() const { return libDirectory_; }
  // One trailing separator ("\" or "/") is removed.
  void SetLibDirectory(const std::string& v);
  OvrOpts SFXOverWriteMode() const { return sfxOverWriteMode_; }
  void SetSFXOverWriteMode(OvrOpts v) { sfxOverWriteMode_ = v; }
  const std::string& SFXCaption() const { return sfxCaption_; }
  void SetSFXCaption(const std::string& v) { sfxCaption_ = v; }
  const std::string& SFXDefaultDir() const { return sfxDefaultDir_; }
  void SetSFXDefaultDir(const std::string& v) { sfxDefaultDir_ = v; }
  const std::string& SFXCommandLine() const { return sfxCommandLine_; }
  void SetSFXCommandLine(const std::string& v) { sfxCommandLine_ = v; }
  const std::string& SFXMessage() const { return sfxMessage_; }
  void SetSFXMessage(const std::string& v) { sfxMessage_ = v; }
  const std::string& TempDir() const { return tempDir_; }
  void SetTempDir(const std::string& v) { tempDir_ = v; }
  std::int64_t KeepFreeOnDisk1() const { return keepFreeOnDisk1_; }
  void SetKeepFreeOnDisk1(std::int64_t v) { keepFreeOnDisk1_ = v; }
  std::int64_t MaxVolumeSize() const { return maxVolumeSize_; }
  void SetMaxVolumeSize(std::int64_t v) { maxVolumeSize_ = v; }
  std::int64_t MinFreeVolumeSize() const { return minFreeVolumeSize_; }
  void SetMinFreeVolumeSize(std::int64_t v) { minFreeVolumeSize_ = v; }
  bool ConfirmErase() const { return confirmErase_; }
  void SetConfirmErase(bool v) { confirmErase_ = v; }
  CodePageOpts CodePage() const { return codePage_; }
  void SetCodePage(CodePageOpts v) { codePage_ = v; }
  DeleteOpts HowToDelete() const { return howToDelete_; }
  void SetHowToDelete(DeleteOpts v) { howToDelete_ = v; }
  std::string VersionInfo() const { return "1.60"; }
  void SetVersionInfo(const std::string&) {}
  const std::vector<unsigned char>& SFXIcon() const { return sfxIcon_; }
  void SetSFXIcon(const std::vector<unsigned char>& v) { sfxIcon_ = v; }
  AddStoreExts AddStoreSuffixes() const { return addStoreSuffixes_; }
  void SetAddStoreSuffixes(AddStoreExts v) { addStoreSuffixes_ = v; }
  unsigned PasswordReqCount() const { return passwordReqCount_; }
  void SetPasswordReqCount(unsigned v) { passwordReqCount_ = v > 15 ? 15 : v; }
  bool UseDirOnlyEntries() const { return useDirOnlyEntries_; }
  void SetUseDirOnlyEntries(bool v) { useDirOnlyEntries_ = v; }
  const std::string& RootDir() const { return rootDir_; }
  // A trailing separator is added.
  void SetRootDir(const std::string& v);
  // The character set of the interface language; names from DOS are taken
  // in the OEM code page that goes with it (186 -> 775, 204 -> 866).
  int NamesCharset() const { return namesCharset_; }
  void SetNamesCharset(int v) { namesCharset_ = v; }
  // A code page chosen for the names of the archive about to be listed
  // (ornzip -O, the unzip window's choice); 0 reads them by CodePage and the
  // language. Never stored.
  int NamesCodePage() const { return namesCodePage_; }
  void SetNamesCodePage(int v) { namesCodePage_ = v; }
  // How this engine decodes names without the UTF-8 flag: CodePage, the
  // pages of NamesCharset and NamesCodePage, detecting the page of names
  // that do not read as meant in the language's.
  orn::NameDecoding NamesDecoding() const;
  // The pages the last List read the names in (the libraries are handed
  // the same).
  const orn::NameDecoding& NamesRead() const { return Listed().names; }
  // The application window handed to the libraries (none when unattended).
  void* AppHandle() const { return appHandle_; }
  void SetAppHandle(void* v) { appHandle_ = v; }

  // --- events ------------------------------------------------------------
  std::function<void(TZipEngine&)> OnDirUpdate;
  std::function<void(TZipEngine&, ProgressType, const std::string& fileName, std::int64_t fileSize)> OnProgress;
  std::function<void(TZipEngine&, int errCode, const std::string& message)> OnMessage;
  std::function<void(TZipEngine&, std::string& oldFileName, bool& isChanged)> OnSetNewName;
  std::function<void(TZipEngine&, int seqNo, const ZipDirEntry& entry)> OnNewName;
  std::function<void(TZipEngine&, const std::string& forFile, unsigned foundCrc, unsigned expectedCrc, bool& doExtract)>
      OnCRC32Error;
  std::function<void(TZipEngine&, std::string& newPassword, const std::string& forFile, unsigned& repeatCount)>
      OnPasswordError;
  std::function<void(TZipEngine&, const std::string& forFile, bool isOlder, bool& doOverwrite)> OnExtractOverwrite;
  std::function<void(TZipEngine&, const std::string& forFile, UnZipSkipTypes skipType, int extError)> OnExtractSkipped;
  std::function<void(TZipEngine&, const std::string& forFile, bool& doOverwrite)> OnCopyZipOverwrite;
  std::function<void(TZipEngine&, int diskSeqNo, int diskTotal, const std::string& drive, bool& abortAction)>
      OnGetNextDisk;
  std::function<void(TZipEngine&, int previousDisk, const std::string& previousFile, TZipDiskStatus status,
                     TZipDiskAction& action)>
      OnStatusDisk;
  std::function<void(TZipEngine&, const std::string& forFile, std::string& fileComment, bool& isChanged)> OnFileComment;

  // --- jobs and state ----------------------------------------------------
  void Add();
  // Extracts the entries FSpecArgs names (every entry when it is empty),
  // resolved once against the directory List read.
  void Extract();
  // Extracts the entries at these places of DirEntries, chosen by the caller
  // from the listing it showed.
  void ExtractEntries(const std::vector<std::size_t>& listed);
  void List();
  // Turns the ".zip" ZipFileName into a self-extracting ".exe" beside it;
  // 0 on success (ZipFileName is then the ".exe"), otherwise the reported
  // identifier.
  int ConvertToSFX();
  int Count() const { return zipFileName_.empty() ? 0 : static_cast<int>(DirEntries().size()); }
  const ZipDirEntries& DirEntries() const;
  // Why the library skipped `forFile` (an entry's name), in words that name
  // the method, the encryption, the damage or the unsafe name.
  std::string SkipReason(const std::string& forFile, UnZipSkipTypes type) const;
  int SuccessCount() const { return successCount_; }
  int LastErrCode() const { return lastErrCode_; }
  // The full value of the library's last message code (LastErrCode keeps its low byte).
  int LastFullErrCode() const { return lastFullErrCode_; }
  const std::string& LastMessage() const { return lastMessage_; }
  const std::string& ZipComment() const { return Listed().comment; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  bool AddRunning() const;
  bool ExtractRunning() const;

  // What the last List learned besides the records.
  int VolumeCount() const { return Listed().volumeCount; }
  bool IsSpanned() const { return Listed().spanned; }
  std::uint64_t FirstLocalOffset() const { return Listed().firstLocalOffset; }
  bool HasPrefix() const { return Listed().hasPrefix; }
  int DirOnlyCount() const { return Listed().dirOnlyCount; }
  std::uint64_t ArchiveSize() const { return Listed().archiveSize; }
  std::uint64_t DirectoryPosition() const { return Listed().directoryPosition; }

  // The observer that answers the engine's questions (messages to show,
  // passwords, overwriting) and lets the windows run during a job; none:
  // nobody is asked and nothing is shown. The owner keeps it alive.
  void SetQuestions(orn::ZipQuestions* questions) { questions_ = questions; }
  orn::ZipQuestions* Questions() const { return questions_; }

  // Reports a message by identifier, with an optional detail appended.
  void ShowZipMessage(int ident, const std::string& detail = std::string());
  // Reports an EZipEngine caught inside the component.
  void ShowExceptionError(const EZipEngine& error);

  // --- the libraries -----------------------------------------------------
  // Load a library if it is not loaded (true when it is loaded afterwards);
  // failures are reported (10602-10604, 10702-10704).
  bool LoadZipLib();
  bool LoadUnzLib();
  void UnloadZipLib();
  void UnloadUnzLib();
  // The version a library reports, loading it for the question when needed;
  // 0 when it cannot be loaded.
  int ZipLibVersion();
  int UnzLibVersion();

  // Serves one callback of a library (public for the C callback trampoline).
  // An exception thrown by an event handler never crosses the library: it
  // stops the job and is raised again once the library has returned.
  std::int32_t HandleCallback(OrnCallbackStruct& rec);
  std::int32_t ServeCallback(OrnCallbackStruct& rec) noexcept;

 private:
  friend class orn::ZipLister;
  friend class orn::ZipExtractor;
  friend class orn::ZipAdder;
  friend class orn::ZipSpanner;
  friend class orn::SfxMaker;

  const orn::ZipDirectoryInfo& Listed() const;
  bool LoadLib(bool zip);
  std::string LibraryPath(const std::string& fileName) const;
  void AnswerPassword(OrnCallbackStruct& rec);
  void AnswerOverwrite(OrnCallbackStruct& rec, const std::string& file);
  // Runs one step of a published operation: an EZipEngine it raises is
  // reported with its own text (`suffix` appended), out of memory as 10103,
  // any other failure as `otherIdent` with its text. False when it failed.
  bool Guarded(const std::function<void()>& step, int otherIdent, const std::string& suffix = std::string());
  // A fresh name for a temporary zip in TempDir (made to end in a
  // separator), else the system's temporary folder; raises 11027.
  std::string TemporaryZipName();
  void LetWindowsRun();

  bool verbose_ = false;
  bool trace_ = false;
  int addCompLevel_ = 9;
  AddOpts addOptions_;
  bool addStoreLinks_ = false;
  bool addBest_ = false;
  int addAesKeyBits_ = 0;
  std::string extrBaseDir_;
  ExtrOpts extrOptions_;
  SFXOpts sfxOptions_{SFXCheckSize};
  bool unattended_ = false;
  std::string zipFileName_;
  std::string password_;
  std::string sfxPath_ = "OrnSFX.bin";
  std::string libDirectory_;
  OvrOpts sfxOverWriteMode_ = OvrConfirm;
  std::string sfxCaption_ = "Self-extracting Archive";
  std::string sfxDefaultDir_;
  std::string sfxCommandLine_;
  std::string sfxMessage_;
  std::string tempDir_;
  std::int64_t keepFreeOnDisk1_ = 0;
  std::int64_t maxVolumeSize_ = 0;
  std::int64_t minFreeVolumeSize_ = 65536;
  bool confirmErase_ = true;
  CodePageOpts codePage_ = cpAuto;
  DeleteOpts howToDelete_ = htdAllowUndo;
  std::vector<unsigned char> sfxIcon_;
  AddStoreExts addStoreSuffixes_;
  unsigned passwordReqCount_ = 1;
  bool useDirOnlyEntries_ = false;
  std::string rootDir_;
  int namesCharset_ = 186;
  int namesCodePage_ = 0;
  void* appHandle_ = nullptr;

  orn::ZipQuestions* questions_ = nullptr;
  std::unique_ptr<orn::ZipLister> lister_;
  std::unique_ptr<orn::ZipExtractor> extractor_;
  std::unique_ptr<orn::ZipAdder> adder_;
  int successCount_ = 0;
  int lastErrCode_ = 0;
  int lastFullErrCode_ = 0;
  std::string lastMessage_;
  bool cancel_ = false;
  bool zipJob_ = false;  // which library is calling back
  orn::LoadedLibrary zipLib_;
  orn::LoadedLibrary unzLib_;
  std::int64_t totalSize_ = 0;
  // An exception from an event handler, held while the library unwinds its job.
  std::exception_ptr pendingError_;
};
