#include "ZipBlocks.h"

#include <cstring>

#include "EZipEngine.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace orn {
namespace {

constexpr int32_t kTrue = -1;
int32_t Flag(bool value) { return value ? kTrue : 0; }

// The fields the long and the short zip block share, up to the archive name.
template <class Block>
void FillZipCommon(Block& b, TZipEngine& e, const char* password, const char* suffixes, const char* archive,
                   OrnZipCallback callback, int argc) {
  const AddOpts o = e.AddOptions();
  b.Handle = e.Unattended() ? nullptr : e.AppHandle();
  b.Caller = &e;
  b.Version = ORN_ZIP_INTERFACE_VERSION;
  b.ZCallbackFunc = callback;
  b.fTraceEnabled = Flag(e.Trace());
  b.pZipPassword = password;
  b.pSuffix = suffixes;
  b.fEncrypt = Flag(o.Has(AddEncrypt));
  b.fSystem = Flag(o.Has(AddHiddenFiles));
  b.fVolume = Flag(o.Has(AddVolume));
  b.fExtra = 0;
  b.fNoDirEntries = o.Has(AddSeparateDirs) ? 0 : kTrue;
  b.fDate = 0;
  b.fVerbose = Flag(e.Verbose() || e.Trace());
  b.fQuiet = kTrue;
  b.fLevel = e.AddCompLevel();
  b.fCRLF_LF = 0;
  b.fJunkDir = o.Has(AddDirNames) ? 0 : kTrue;
  b.fRecurse = static_cast<int16_t>(o.Has(AddRecurseDirs) ? -1 : 0);
  b.fGrow = kTrue;
  b.fForce = Flag(o.Has(AddForceDOS));
  b.fMove = Flag(o.Has(AddMove));
  b.fDeleteEntries = 0;
  b.fUpdate = Flag(o.Has(AddUpdate));
  b.fFreshen = Flag(o.Has(AddFreshen) && !o.Has(AddUpdate));
  b.fJunkSFX = 0;
  b.fLatestTime = Flag(o.Has(AddZipTime));
  b.Argc = argc;
  b.pZipFN = archive;
}

template <class Block>
void FillUnzipCommon(Block& b, TZipEngine& e, const char* password, const char* archive, OrnZipCallback callback,
                     int argc) {
  const ExtrOpts o = e.ExtrOptions();
  b.Handle = e.Unattended() ? nullptr : e.AppHandle();
  b.Caller = &e;
  b.Version = ORN_ZIP_INTERFACE_VERSION;
  b.ZCallbackFunc = callback;
  b.fTraceEnabled = Flag(e.Trace());
  b.pZipPassword = password;
  b.fTest = Flag(o.Has(ExtrTest));
  b.fComments = 0;
  b.fConvert = 0;
  b.fQuiet = kTrue;
  b.fVerbose = Flag(e.Verbose() || e.Trace());
  b.fUpdate = Flag(o.Has(ExtrUpdate));
  b.fFreshen = Flag(o.Has(ExtrFreshen) && !o.Has(ExtrUpdate));
  b.fDirectories = Flag(o.Has(ExtrDirNames));
  b.fOverwrite = Flag(o.Has(ExtrOverWrite));
  b.Argc = argc;
  b.pZipFN = archive;
}

}  // namespace

ZipSpecLine ParseSpecLine(const std::string& line, int defaultRecurse) {
  ZipSpecLine out;
  out.recurse = defaultRecurse;
  std::string text = line;
  if (!text.empty() && text[0] == '>') {
    out.recurse = -1;
    text.erase(0, 1);
  } else if (!text.empty() && text[0] == '|') {
    out.recurse = 0;
    text.erase(0, 1);
  }
  auto lt = text.find('<');
  if (lt != std::string::npos) {
    out.hasPasswordPart = true;
    out.password = text.substr(lt + 1);
    text.erase(lt);
  }
  out.fileSpec = text;
  return out;
}

std::string StoreSuffixList(const TZipEngine& engine) {
  static const char* const kSuffixes[] = {"gif", "png", "z",   "zip", "zoo", "arc",
                                          "lzh", "arj", "taz", "tgz", "lha", "exe"};
  std::string list;
  for (int m = assGIF; m <= assEXE; ++m) {
    if (!engine.AddStoreSuffixes().Has(static_cast<AddStoreSuffixEnum>(m))) continue;
    if (!list.empty()) list += ':';
    list += std::string(".") + kSuffixes[m];
  }
  return list;
}

const char* ZipParamBlock::Keep(const std::string& text) {
  strings_.push_back(text);
  return strings_.back().c_str();
}

ZipParamBlock::ZipParamBlock(TZipEngine& e, int libVersion, const std::string& archive, const std::string& comment,
                             OrnZipCallback callback) {
  const AddOpts o = e.AddOptions();
  const char* password = e.Password().empty() ? nullptr : Keep(e.Password().substr(0, 81));
  const std::string suffixList = StoreSuffixList(e);
  const char* suffixes = suffixList.empty() ? nullptr : Keep(suffixList);
  const char* archiveName = Keep(archive);
  const int argc = static_cast<int>(e.FSpecArgs.size());

  if (libVersion < ORN_ZIPLIB_MIN_SHORT_BLOCK) {
    if (argc > kLongBlockLines)
      throw EZipEngine(kZipAddException,
                       ZipMessageText(kZipAddException) + ": this library version takes at most " +
                           std::to_string(kLongBlockLines) + " file specifications",
                       true);
    long_ = std::make_unique<OrnZipParamsLong>();
    std::memset(long_.get(), 0, sizeof(OrnZipParamsLong));
    FillZipCommon(*long_, e, password, suffixes, archiveName, callback, argc);
    long_->fSeven = ORN_BLOCK_END_MARK;
    for (int i = 0; i < argc; ++i) long_->FNV[i] = Keep(e.FSpecArgs[static_cast<std::size_t>(i)]);
    return;
  }

  short_ = std::make_unique<OrnZipParams>();
  std::memset(short_.get(), 0, sizeof(OrnZipParams));
  OrnZipParams& b = *short_;
  FillZipCommon(b, e, password, suffixes, archiveName, callback, argc);
  if (!e.TempDir().empty()) b.pTempDir = Keep(e.TempDir());
  if (libVersion >= 160) {
    if (!comment.empty()) b.pZipComment = Keep(comment);
    b.fArchiveFilesOnly = static_cast<int16_t>(o.Has(AddArchiveOnly) ? 1 : 0);
    b.fResetArchiveBit = static_cast<int16_t>(o.Has(AddResetArchive) ? 1 : 0);
    for (const std::string& line : e.FSpecArgsExcl) excluded_.push_back(Keep(line));
    b.TotExFileSpecs = static_cast<int32_t>(excluded_.size());
    b.ExFiles = excluded_.empty() ? nullptr : excluded_.data();
  }
  specs_.resize(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    OrnZipFileData& fd = specs_[static_cast<std::size_t>(i)];
    std::memset(&fd, 0, sizeof fd);
    ZipSpecLine line = ParseSpecLine(e.FSpecArgs[static_cast<std::size_t>(i)], b.fRecurse);
    fd.fFileSpec = Keep(line.fileSpec);
    fd.fPassword = password;
    fd.fEncrypt = b.fEncrypt;
    if (line.hasPasswordPart) {
      if (line.password.empty()) {
        fd.fPassword = nullptr;
        fd.fEncrypt = 0;
      } else {
        fd.fPassword = Keep(line.password);
        fd.fEncrypt = 65535;
      }
    }
    fd.fRecurse = static_cast<int16_t>(line.recurse);
    if (!e.RootDir().empty()) fd.fRootDir = Keep(e.RootDir());
  }
  b.FDs = specs_.empty() ? nullptr : specs_.data();
  b.fStoreLinks = Flag(e.AddStoreLinks());
  b.fBest = Flag(e.AddBest());
  // 128, 192, 256 bits -> strength 1, 2, 3.
  b.AesStrength = e.AddAesKeyBits() > 0 ? e.AddAesKeyBits() / 64 - 1 : 0;
  b.fSeven = ORN_BLOCK_END_MARK;
}

const char* UnzipParamBlock::Keep(const std::string& text) {
  strings_.push_back(text);
  return strings_.back().c_str();
}

UnzipParamBlock::UnzipParamBlock(TZipEngine& e, int libVersion, const std::string& archive,
                                 const std::vector<std::string>& fileSpecs, const std::vector<std::size_t>& entries,
                                 const ZipDirectory* directory, const std::string& password, unsigned passwordReqCount,
                                 const std::string& baseDir, OrnZipCallback callback) {
  const char* pw = password.empty() ? nullptr : Keep(password);
  const char* archiveName = Keep(archive);
  const int argc = static_cast<int>(fileSpecs.size());
  if (libVersion < ORN_UNZLIB_MIN_SHORT_BLOCK) {
    if (argc > kLongBlockLines)
      throw EZipEngine(kZipExtractException,
                       ZipMessageText(kZipExtractException) + ": this library version takes at most " +
                           std::to_string(kLongBlockLines) + " entry specifications",
                       true);
    long_ = std::make_unique<OrnUnzipParamsLong>();
    std::memset(long_.get(), 0, sizeof(OrnUnzipParamsLong));
    FillUnzipCommon(*long_, e, pw, archiveName, callback, argc);
    long_->fSeven = ORN_BLOCK_END_MARK;
    for (int i = 0; i < argc; ++i) long_->FNV[i] = Keep(fileSpecs[static_cast<std::size_t>(i)]);
    return;
  }
  short_ = std::make_unique<OrnUnzipParams>();
  std::memset(short_.get(), 0, sizeof(OrnUnzipParams));
  OrnUnzipParams& b = *short_;
  FillUnzipCommon(b, e, pw, archiveName, callback, argc);
  specs_.resize(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    std::memset(&specs_[static_cast<std::size_t>(i)], 0, sizeof(OrnUnzipFileData));
    specs_[static_cast<std::size_t>(i)].fFileSpec = Keep(fileSpecs[static_cast<std::size_t>(i)]);
  }
  b.FDs = specs_.empty() ? nullptr : specs_.data();
  if (libVersion >= 160) b.fPWReqCount = passwordReqCount > 15 ? 15 : passwordReqCount;
  b.fSeven = ORN_BLOCK_END_MARK;
  if (!baseDir.empty()) b.ExtrBaseDir = Keep(baseDir);
  // The pages the listing read the names in, so that the library reads them alike.
  const NameDecoding& names = e.NamesRead();
  b.NamesCodePage = static_cast<int32_t>(names.codePage);
  b.NamesOemCodePage = names.oemCodePage;
  b.NamesAnsiCodePage = names.ansiCodePage;
  b.NamesChosenCodePage = names.chosenCodePage;
  entries_.assign(entries.begin(), entries.end());
  b.Entries = entries_.empty() ? nullptr : entries_.data();
  b.EntryCount = static_cast<int32_t>(entries_.size());
  if (directory) {
    b.HostDirectory = directory;
    b.HostDirectoryLayout = RecordLayout();
  }
}

}  // namespace orn
