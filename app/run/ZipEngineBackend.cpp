#include "ZipEngineBackend.h"

#include <ctime>
#include <optional>

#include "DialogService.h"
#include "OrnZipLib.h"
#include "TextLookups.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace orn {

void ApplyArchiverSettings(TZipEngine& engine) {
  engine.SetAddCompLevel(9);
  AddOpts add = engine.AddOptions();
  add.Include(AddDirNames);
  engine.SetAddOptions(add);
  engine.SetExtrOptions(ExtrOpts{ExtrDirNames, ExtrOverWrite});
  engine.SetKeepFreeOnDisk1(0);
  engine.SetAddStoreSuffixes(
      AddStoreExts{assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ, assTGZ, assLHA});
  engine.SetVerbose(false);
  engine.SetTrace(false);
  // The password window comes back after a mistyped password, three times
  // in all, saying that the last one was wrong.
  engine.SetPasswordReqCount(3);
}

namespace {
// A text of the program in the reader's language, or its English.
std::string CaptionOr(const std::string& key, const char* fallback) {
  std::string text = LabelText(key);
  return text.empty() ? fallback : text;
}
}  // namespace

// Routes the engine's progress to the observer for one job, turns every
// failure the engine tells (a message, an entry skipped, a CRC error) into
// one BackendFailure, and puts the engine's own handlers back afterwards.
class ZipEngineBackend::EventScope {
 public:
  EventScope(TZipEngine& engine, ArchiveBackendObserver* observer)
      : engine_(engine),
        observer_(observer),
        progress_(engine.OnProgress),
        message_(engine.OnMessage),
        crc_(engine.OnCRC32Error),
        skipped_(engine.OnExtractSkipped) {
    engine.OnProgress = [this](TZipEngine&, ProgressType type, const std::string& fileName, std::int64_t size) {
      if (!observer_) return;
      if (type == BytesDone) observer_->OnBytes(size);
      if (type == FileCountKnown) files_ = static_cast<int>(size);
      if (type == ByteCountKnown) observer_->OnTotals(files_, size);
      observer_->OnProgress(type == FileStarted ? fileName : std::string());
    };
    engine.OnMessage = [this](TZipEngine& sender, int code, const std::string& text) {
      const int ident = code != 0 ? code : sender.LastErrCode();
      // Data found around an archive is a warning, not a failure; a message
      // without any identifier (the progress of splitting and joining
      // volumes) is news.
      if (ident == 0 || ident == kZipDirShifted || ident == kZipTrailingData) {
        if (observer_) observer_->OnMessage(code, text);
        return;
      }
      Flush();
      pending_ = BackendFailure{1, ident, "", text};
    };
    engine.OnCRC32Error = [this](TZipEngine&, const std::string& forFile, unsigned, unsigned, bool& doExtract) {
      doExtract = false;
      Merge({1, ORN_ZE_CRC, forFile, CaptionOr("msg_CrcNotWritten", "CRC error, not written")}, false);
    };
    engine.OnExtractSkipped = [this](TZipEngine& sender, const std::string& forFile, UnZipSkipTypes type,
                                     int extError) {
      // A file left alone because the person said so is no failure.
      if (type == stNoOverwrite || type == stFileExists) return;
      Merge({1, extError, forFile,
             CaptionOr("msg_NotExtracted", "not extracted") + ": " + sender.SkipReason(forFile, type)},
            true);
    };
  }
  ~EventScope() {
    Flush();
    engine_.OnProgress = progress_;
    engine_.OnMessage = message_;
    engine_.OnCRC32Error = crc_;
    engine_.OnExtractSkipped = skipped_;
  }

  void Fail(const BackendFailure& failure) {
    Flush();
    failures_.push_back(failure);
    if (observer_) observer_->OnFailure(failure);
  }

  const std::vector<BackendFailure>& Failures() {
    Flush();
    return failures_;
  }

 private:
  // The library says why an entry failed ("Damaged data: NAME") and then
  // that it was left out: one failure for both, in the library's words when
  // `libraryWords`, else in the later event's.
  void Merge(BackendFailure failure, bool libraryWords) {
    const std::string& text = pending_ ? pending_->text : std::string();
    if (pending_ && text.size() >= failure.file.size() &&
        text.compare(text.size() - failure.file.size(), failure.file.size(), failure.file) == 0) {
      if (libraryWords) failure = {1, pending_->ident, failure.file, text};
      pending_.reset();
    }
    Fail(failure);
  }

  void Flush() {
    if (!pending_) return;
    const BackendFailure failure = std::move(*pending_);
    pending_.reset();
    Fail(failure);
  }

  std::vector<BackendFailure> failures_;
  std::optional<BackendFailure> pending_;
  TZipEngine& engine_;
  ArchiveBackendObserver* observer_;
  int files_ = 0;  // the count the library announced before its byte total
  decltype(TZipEngine::OnProgress) progress_;
  decltype(TZipEngine::OnMessage) message_;
  decltype(TZipEngine::OnCRC32Error) crc_;
  decltype(TZipEngine::OnExtractSkipped) skipped_;
};

ZipEngineBackend::ZipEngineBackend(TZipEngine& engine) : engine_(engine), previousQuestions_(engine.Questions()) {
  ApplyArchiverSettings(engine_);
  engine_.SetQuestions(this);
}

ZipEngineBackend::~ZipEngineBackend() { engine_.SetQuestions(previousQuestions_); }

void ZipEngineBackend::ShowMessage(const std::string& text) {
  Dialogs().MessageDialog(text, "", DialogType::Information, kBtnOK);
}

std::optional<std::string> ZipEngineBackend::AskPassword(const std::string& caption, const std::string& prompt) {
  return Dialogs().Password(caption, prompt);
}

bool ZipEngineBackend::AskOverwriteVolume(const std::string& question) {
  return Dialogs().MessageDialog(question, "Confirm", DialogType::Warning, kBtnYes | kBtnNo) == kMrYes;
}

void ZipEngineBackend::SetUnattended(bool unattended) {
  // The engine's own setting comes back afterwards.
  if (unattended) {
    if (!engineUnattended_) engineUnattended_ = engine_.Unattended();
    engine_.SetUnattended(true);
  } else if (engineUnattended_) {
    engine_.SetUnattended(*engineUnattended_);
    engineUnattended_.reset();
  }
}

bool ZipEngineBackend::AskNextDisk(const std::string& prompt) {
  return Dialogs().MessageDialog(prompt, "", DialogType::Confirmation, kBtnOK | kBtnCancel) == kMrOk;
}

// Each answer says what it does. Another disk loses nothing, so it is the
// default; there is no formatting on this platform, but a full disk's
// files may be removed for good.
TZipDiskAction ZipEngineBackend::AskAboutDisk(TZipDiskStatus status, const std::string& question) {
  ChoiceRequest request;
  request.text = question;
  std::vector<TZipDiskAction> actions;
  if (!(status & zdsNotEnoughSpace)) {
    request.buttons.push_back(CaptionOr("btn_DiskOverwrite", "Overwrite"));
    actions.push_back(zdaOk);
  } else if (status & zdsHasFiles) {
    request.buttons.push_back(CaptionOr("btn_DiskRemoveFiles", "Remove the files"));
    actions.push_back(zdaErase);
  }
  request.buttons.push_back(CaptionOr("btn_DiskAnother", "Another disk"));
  actions.push_back(zdaReject);
  request.buttons.push_back("Cancel");
  actions.push_back(zdaCancel);
  request.defaultButton = static_cast<int>(actions.size()) - 2;
  request.cancelButton = static_cast<int>(actions.size()) - 1;
  const int answer = Dialogs().Choice(request);
  return answer >= 0 && answer < static_cast<int>(actions.size()) ? actions[answer] : zdaCancel;
}

void ZipEngineBackend::LetWindowsRun() {
  if (observer_) observer_->LetWindowsRun();
}

ZipQuestions::Overwrite ZipEngineBackend::AskOverwrite(const std::string& file, bool, bool writtenByThisJob,
                                                       bool mayKeepBoth) {
  if (!askReplace_ || !*askReplace_) return Overwrite::Replace;
  switch ((*askReplace_)(file, writtenByThisJob, mayKeepBoth)) {
    case ReplaceAnswer::Replace:
      return Overwrite::Replace;
    case ReplaceAnswer::KeepBoth:
      return Overwrite::KeepBoth;
    case ReplaceAnswer::Cancel:
      return Overwrite::Cancel;
    case ReplaceAnswer::Skip:
      break;
  }
  return Overwrite::Skip;
}

void ZipEngineBackend::Open(const std::string& archivePath) {
  // The listing is read once: an archive listed already is not read again
  // (the engine reads it again itself when it has changed since).
  if (engine_.ZipFileName() != archivePath) engine_.SetZipFileName(archivePath);
}

void ZipEngineBackend::SetVolumes(bool on, std::int64_t maxVolumeSize) {
  AddOpts add = engine_.AddOptions();
  if (on) {
    add.Include(AddVolume);
    add.Include(AddDiskSpan);
    engine_.SetMaxVolumeSize(maxVolumeSize);
  } else {
    add.Exclude(AddVolume);
    add.Exclude(AddDiskSpan);
  }
  engine_.SetAddOptions(add);
}

int ZipEngineBackend::Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) {
  EventScope events(engine_, observer_);
  // The engine is the main window's; its own root is put back.
  const std::string previousRoot = engine_.RootDir();
  engine_.SetRootDir(rootDir_);
  engine_.FSpecArgs = fileSpecs;
  engine_.SetZipFileName(zipFileName);
  engine_.Add();
  engine_.SetRootDir(previousRoot);
  return engine_.SuccessCount();
}

bool ZipEngineBackend::Test(const std::vector<std::string>& archiveFiles, std::string* error) {
  if (archiveFiles.empty()) return false;
  EventScope events(engine_, observer_);
  const ExtrOpts previous = engine_.ExtrOptions();
  ExtrOpts test = previous;
  test.Include(ExtrTest);
  // The last volume of a set holds its central directory.
  engine_.SetZipFileName(archiveFiles.back());
  const int entries = engine_.Count();
  engine_.SetExtrOptions(test);
  engine_.FSpecArgs.clear();
  engine_.Extract();
  engine_.SetExtrOptions(previous);
  if (entries > 0 && engine_.SuccessCount() < entries && events.Failures().empty())
    events.Fail({entries - engine_.SuccessCount(), ORN_ZE_READ, archiveFiles.back(),
                 std::to_string(engine_.SuccessCount()) + " of " + std::to_string(entries) + " entries read back"});
  if (entries == 0 && events.Failures().empty())
    events.Fail({1, kZipNotAnArchive, archiveFiles.back(), "no entries read back"});
  const bool ok = events.Failures().empty();
  if (!ok && error) *error = events.Failures().front().Describe();
  return ok;
}

std::vector<std::string> ZipEngineBackend::List(const std::string& archivePath) {
  EventScope events(engine_, observer_);
  engine_.SetNamesCodePage(0);
  engine_.SetZipFileName(archivePath);
  std::vector<std::string> names;
  for (const ZipDirEntry& e : engine_.DirEntries()) names.push_back(e.Name);
  return names;
}

namespace {
// The entry's DOS date and time (local time, two-second steps); the
// libraries keep their own conversion on their side of the call protocol.
std::time_t EntryTime(const ZipDirEntry& e) {
  std::tm t{};
  t.tm_year = 80 + (e.ModDate >> 9);
  t.tm_mon = ((e.ModDate >> 5) & 0x0F) - 1;
  t.tm_mday = e.ModDate & 0x1F;
  t.tm_hour = e.ModTime >> 11;
  t.tm_min = (e.ModTime >> 5) & 0x3F;
  t.tm_sec = (e.ModTime & 0x1F) * 2;
  t.tm_isdst = -1;
  return e.ModDate == 0 ? 0 : std::mktime(&t);
}
}  // namespace

std::vector<ArchiveEntry> ZipEngineBackend::Entries(const std::string& archivePath) {
  EventScope events(engine_, observer_);
  engine_.SetZipFileName(archivePath);
  std::vector<ArchiveEntry> entries;
  for (const ZipDirEntry& e : engine_.DirEntries())
    entries.push_back({e.Name, static_cast<std::int64_t>(e.UnpackedSize64), EntryTime(e)});
  return entries;
}

void ZipEngineBackend::SetNamesCharset(int charset) { engine_.SetNamesCharset(charset); }

void ZipEngineBackend::Cancel() { engine_.SetCancel(true); }

int ZipEngineBackend::Extract(const std::string& archivePath, const std::vector<std::string>& entries,
                              const std::string& baseDir) {
  EventScope events(engine_, observer_);
  Open(archivePath);
  engine_.SetExtrBaseDir(baseDir);
  engine_.FSpecArgs = entries;
  engine_.Extract();
  return engine_.SuccessCount();
}

ArchiveListing ZipEngineBackend::ListEntries(const std::string& archivePath, int codePage) {
  EventScope events(engine_, observer_);
  engine_.SetNamesCodePage(codePage);
  engine_.SetZipFileName(archivePath);
  ArchiveListing listing;
  listing.readable = !engine_.ZipFileName().empty();
  listing.entries.reserve(engine_.DirEntries().size());
  for (const ZipDirEntry& e : engine_.DirEntries())
    listing.entries.push_back(
        {e.Name, e.IsFolder(), e.Target.verdict == NameVerdict::Unsafe ? e.Target.reason : std::string()});
  const NameDecoding& read = engine_.NamesRead();
  const NameDecoding configured = engine_.NamesDecoding();
  listing.oemCodePage = read.oemCodePage;
  listing.ansiCodePage = read.ansiCodePage;
  listing.chosenCodePage = read.chosenCodePage;
  listing.detected = read.oemCodePage != configured.oemCodePage || read.ansiCodePage != configured.ansiCodePage;
  if (!events.Failures().empty()) listing.problem = events.Failures().front().Describe();
  return listing;
}

int ZipEngineBackend::ExtractListed(const std::string& archivePath, const std::vector<std::size_t>& listed,
                                    const ExtractRequest& request) {
  EventScope events(engine_, observer_);
  Open(archivePath);
  const ExtrOpts previous = engine_.ExtrOptions();
  ExtrOpts options;
  if (request.withFolders) options.Include(ExtrDirNames);
  if (!request.askReplace) options.Include(ExtrOverWrite);
  engine_.SetExtrOptions(options);
  engine_.SetExtrBaseDir(request.baseDir);
  askReplace_ = &request.askReplace;
  engine_.ExtractEntries(listed);
  askReplace_ = nullptr;
  engine_.SetExtrOptions(previous);
  return engine_.SuccessCount();
}

}  // namespace orn
