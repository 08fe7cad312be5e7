// How far a job has come, for whoever shows it: the progress window or a
// terminal's progress line. The back-end only names the file it starts;
// CountingBackend sits in front of it and tells the observer how many items
// and bytes each stage holds (zipping: from the files; a test or a restore:
// once the engine has read the archive), when each item starts and how many
// bytes are done, inside a large file too. It
// also stops a job the person cancelled: a cancelled archive is no archive,
// and no copy is read back after Cancel, so none is placed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "MessageLog.h"
#include "RunObserver.h"

namespace orn {

// "1.5 MB", "512 bytes": sizes as the progress window and line show them.
// `unitWord`, when given, words the unit ("unit_Bytes", "unit_KB" ... and
// its English text) in the reader's language.
using UnitWord = std::function<std::string(const char* key, const char* english)>;
std::string SizeText(std::int64_t bytes, const UnitWord& unitWord = {});
// "1:05" for 65 seconds, "1:01:05" past an hour.
std::string DurationText(std::int64_t seconds);
// The time a job still needs when `done` of `total` took `elapsedMs`;
// negative while nothing is known yet (nothing done, under a second).
std::int64_t SecondsLeft(std::int64_t done, std::int64_t total, std::int64_t elapsedMs);
// The label name of a stage's title ("prg_Zipping" ...) and its English text.
const char* StageKey(ProgressStage stage);
const char* StageEnglish(ProgressStage stage);

class CountingBackend : public ArchiveBackend, private ArchiveBackendObserver {
 public:
  // `texts` words the cancellation as the log gets it.
  CountingBackend(ArchiveBackend& inner, RunObserver& progress, const MessageTexts& texts);
  ~CountingBackend() override;
  CountingBackend(const CountingBackend&) = delete;
  CountingBackend& operator=(const CountingBackend&) = delete;

  void SetObserver(ArchiveBackendObserver* observer) override { outer_ = observer; }
  void SetVolumes(bool on, std::int64_t maxVolumeSize) override { inner_.SetVolumes(on, maxVolumeSize); }
  void SetRootDir(const std::string& rootDir) override {
    rootDir_ = rootDir;
    inner_.SetRootDir(rootDir);
  }
  int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) override;
  bool Test(const std::vector<std::string>& archiveFiles, std::string* error) override;
  std::vector<std::string> List(const std::string& archivePath) override { return inner_.List(archivePath); }
  std::vector<ArchiveEntry> Entries(const std::string& archivePath) override { return inner_.Entries(archivePath); }
  // The inner back-end's listing, with what its reader decided about each
  // name (a folder, an unsafe name) and why an archive cannot be read.
  ArchiveListing ListEntries(const std::string& archivePath, int codePage) override {
    return inner_.ListEntries(archivePath, codePage);
  }
  int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
              const std::string& baseDir) override;
  void SetNamesCharset(int charset) override { inner_.SetNamesCharset(charset); }
  void Cancel() override { inner_.Cancel(); }
  bool Cancelled() const override { return progress_.CancelRequested(); }

 private:
  class Stage;
  void OnProgress(const std::string& fileName) override;
  void OnMessage(int code, const std::string& text) override;
  void OnFailure(const BackendFailure& failure) override;
  void OnBytes(std::int64_t bytes) override;
  void OnTotals(int files, std::int64_t bytes) override;
  // The windows run whether or not a run watches this job.
  void LetWindowsRun() override {
    if (outer_)
      outer_->LetWindowsRun();
    else
      progress_.ProcessMessages();
  }
  // Reports the cancellation to the job (it logs it) and answers "nothing".
  int NothingAfterCancel();

  ArchiveBackend& inner_;
  RunObserver& progress_;
  const MessageTexts& texts_;
  ArchiveBackendObserver* outer_ = nullptr;
  bool counting_ = false;
  bool knowsBytes_ = false;
  std::string rootDir_;              // where relative items are
  size_t started_ = 0;
  std::int64_t bytesDone_ = 0;  // as the engine reports them
};

}  // namespace orn
