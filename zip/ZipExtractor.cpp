#include "ZipExtractor.h"

#include <algorithm>
#include <cstdlib>

#include "EntryChoice.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "ZipBlocks.h"
#include "ZipEngine.h"
#include "ZipLister.h"
#include "ZipMessages.h"
#include "ZipSpanner.h"

extern "C" int32_t OrnEngineCallback(OrnCallbackStruct* rec);

namespace orn {

std::string ZipExtractor::SkipReason(const std::string& forFile, UnZipSkipTypes type) const {
  const ZipDirEntry* entry = nullptr;
  for (const ZipDirEntry& e : engine_.lister_->Directory().entries)
    if (e.Name == forFile) {
      entry = &e;
      break;
    }
  switch (type) {
    case stOnFreshen:
      return ZipMessageText(kZipSkipNotNewer);
    case stNoOverwrite:
    case stFileExists:
      return ZipMessageText(kZipSkipExists);
    case stBadPassword:
      return ZipMessageText(kZipSkipWrongPassword);
    case stNoEncryptionKey:
      return ZipMessageText(kZipSkipNoPassword);
    case stCompressionUnknown:
      if (entry && (entry->GeneralFlags & kFlagStrongEncryption)) return ZipMessageText(kZipSkipStrongEncryption);
      // AES entries are read; one lands here when its inner method is not.
      if (entry && entry->Method == kMethodAes) return ZipMessageText(kZipSkipAesMethod);
      if (entry) {
        const std::string method = MethodName(entry->Method);
        return FormatZipMessage(ZipMessageText(kZipSkipMethodNamed),
                                std::to_string(entry->Method) + (method.empty() ? "" : ", " + method));
      }
      return ZipMessageText(kZipSkipMethod);
    case stUnknownZipHost:
      return ZipMessageText(kZipSkipUnknownHost);
    case stZipFileFormatWrong:
      return ZipMessageText(kZipSkipDamaged);
    case stGeneralExtractError:
      return ZipMessageText(kZipSkipNotWritten);
    case stUnsafePath:
      return entry && !entry->Target.reason.empty()
                 ? FormatZipMessage(ZipMessageText(kZipSkipUnsafeBecause), entry->Target.reason)
                 : ZipMessageText(kZipSkipUnsafe);
  }
  return ZipMessageText(kZipSkipped);
}

bool ZipExtractor::Prepare() {
  engine_.successCount_ = 0;
  const std::string& name = engine_.ZipFileName();
  if (name.empty() || !FileExists(name)) {
    engine_.ShowZipMessage(kZipNoArchive, name.empty() ? "" : ": " + name);
    return false;
  }
  if (running_) return false;
  // The entries are chosen from the directory as listed; an archive written
  // over since then is listed again, and one that no longer reads is
  // reported as listing reports it.
  if (!engine_.lister_->StillListed()) {
    engine_.List();
    if (engine_.ZipFileName().empty()) return false;
  }
  return true;
}

void ZipExtractor::Extract(const std::vector<std::string>& lines) {
  if (!Prepare()) return;
  // The choice is resolved once, against the directory as listed.
  EntryChoice choice = EntryChooser(engine_.lister_->Directory().entries).Choose(lines);
  for (const std::string& line : choice.unmatched) engine_.ShowZipMessage(kZipNoMatch, ": " + line);
  if (!choice.indexes.empty()) Run(std::move(choice.indexes), &lines);
}

void ZipExtractor::ExtractListed(const std::vector<std::size_t>& listed) {
  if (!Prepare()) return;
  const ZipDirEntries& entries = engine_.lister_->Entries();
  std::vector<std::size_t> indexes;
  indexes.reserve(listed.size());
  for (std::size_t i : listed)
    if (i < entries.size()) indexes.push_back(entries.DirectoryIndex(i));
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  if (!indexes.empty()) Run(std::move(indexes), nullptr);
}

std::vector<std::size_t> ZipExtractor::SafeToWrite(const std::vector<std::size_t>& indexes) {
  const std::vector<ZipDirEntry>& all = engine_.lister_->Directory().entries;
  std::vector<std::size_t> safe;
  safe.reserve(indexes.size());
  std::string skipped;
  int skippedCount = 0;
  for (std::size_t i : indexes) {
    const ZipDirEntry& e = all[i];
    if (e.Target.verdict == NameVerdict::Write) {
      safe.push_back(i);
      continue;
    }
    if (e.Target.verdict == NameVerdict::SkipQuiet) continue;
    if (++skippedCount <= 10) skipped += "\n" + PrintableName(e.Name) + " (" + e.Target.reason + ")";
    if (engine_.OnExtractSkipped) engine_.OnExtractSkipped(engine_, e.Name, stUnsafePath, ORN_ZE_UNSAFE);
  }
  if (skippedCount > 10) skipped += "\n... " + std::to_string(skippedCount - 10) + " more";
  if (skippedCount > 0) engine_.ShowZipMessage(kZipUnsafeEntry, skipped);
  return safe;
}

void ZipExtractor::Run(std::vector<std::size_t> indexes, const std::vector<std::string>* lines) {
  const ZipDirectory& directory = engine_.lister_->Directory();
  // Testing writes nothing, so every entry may be tested.
  const std::size_t chosen = indexes.size();
  if (!engine_.ExtrOptions().Has(ExtrTest)) indexes = SafeToWrite(indexes);
  if (indexes.empty()) return;
  // The lines of the block, for a library that chooses by them: the lines
  // that chose, or the names chosen (none: every entry).
  std::vector<std::string> fileSpecs;
  if (lines && indexes.size() == chosen) {
    fileSpecs = *lines;
  } else if (indexes.size() != directory.entries.size()) {
    fileSpecs.reserve(indexes.size());
    for (std::size_t i : indexes) fileSpecs.push_back(directory.entries[i].Name);
  }

  unsigned reqCount = engine_.PasswordReqCount();
  bool anyEncrypted = false;
  for (std::size_t i : indexes) anyEncrypted = anyEncrypted || directory.entries[i].IsEncrypted;
  if (engine_.Unattended() && engine_.Password().empty() && !engine_.OnPasswordError && anyEncrypted) {
    reqCount = 0;
    engine_.ShowZipMessage(kZipExtractNoPassword);
  }

  const bool loadedHere = engine_.unzLib_.handle == nullptr;
  running_ = true;
  // The library is handed absolute paths; the process's folder is left alone.
  const std::string currentDir = CurrentDir();
  std::string joined;
  struct Finish {
    ZipExtractor& self;
    bool loadedHere;
    std::string& joined;
    ~Finish() {
      if (!joined.empty()) DeleteFileAt(joined);
      self.running_ = false;
      if (loadedHere) self.engine_.UnloadUnzLib();
      self.engine_.cancel_ = false;
      self.engine_.pendingError_ = nullptr;
    }
  } finish{*this, loadedHere, joined};
  const bool done = engine_.Guarded(
      [&] {
        if (!engine_.LoadUnzLib()) return;
        std::string archive = engine_.ZipFileName();
        if (!IsAbsolutePath(archive)) archive = JoinPath(currentDir, archive);
        // The library gets the directory as read, unless the set is joined
        // first: then it reads the joined copy, whose entries stand in the
        // same order.
        const ZipDirectory* handed = &directory;
        if (directory.info.spanned) {
          joined = ZipSpanner(engine_).JoinIntoTemporary(archive);
          archive = joined;
          handed = nullptr;
        }
        std::string baseDir = engine_.ExtrBaseDir();
        if (!baseDir.empty() && !IsAbsolutePath(baseDir)) baseDir = JoinPath(currentDir, baseDir);
        if (baseDir.empty()) baseDir = currentDir;
        engine_.cancel_ = false;
        const int version = engine_.unzLib_.version();
        std::string password = engine_.Password();
        if (version < 160 && engine_.Unattended() && engine_.AddOptions().Has(AddEncrypt) && password.empty()) {
          // Older libraries ask for a password whatever the count says; a
          // filler that fits no archive keeps them from asking.
          for (int i = 0; i < 80; ++i) password += static_cast<char>('A' + (std::rand() % 26));
        }
        UnzipParamBlock block(engine_, version, archive, fileSpecs, indexes, handed, password, reqCount, baseDir,
                              &OrnEngineCallback);
        engine_.zipJob_ = false;
        auto exec = reinterpret_cast<int32_t (*)(void*)>(engine_.unzLib_.exec);
        engine_.successCount_ = exec(block.Address());
        if (engine_.pendingError_) std::rethrow_exception(engine_.pendingError_);
      },
      kZipExtractException);
  if (!done) engine_.successCount_ = 0;
}

}  // namespace orn
