// The archive back-end over the zip engine component: the run and the
// extraction talk to ArchiveBackend, this adapter turns each call into the
// engine's calling order (options, FSpecArgs, ZipFileName, Add / Extract) and
// its events into the back-end observer's.
#pragma once

#include <optional>

#include "ArchiveBackend.h"
#include "ZipQuestions.h"

class TZipEngine;

namespace orn {

// The component's design-time values the archiver relies on: compression
// level 9, stored directory names, extraction with directories and
// overwriting, already-compressed suffixes stored as they are; and three
// tries at an archive's password.
void ApplyArchiverSettings(TZipEngine& engine);

// It also answers the engine's questions for the program: reports, password
// prompts and the disks of volumes on removable media through the dialog
// service (which shows windows, or, without a display, writes them where the
// user looks and answers nothing), and the windows run through the observer
// of the job.
class ZipEngineBackend : public ArchiveBackend, private ZipQuestions {
 public:
  // Borrows the main window's engine; its own event handlers and questions
  // are put back after every job.
  explicit ZipEngineBackend(TZipEngine& engine);
  ~ZipEngineBackend() override;

  void SetObserver(ArchiveBackendObserver* observer) override { observer_ = observer; }
  void SetVolumes(bool on, std::int64_t maxVolumeSize) override;
  void SetRootDir(const std::string& rootDir) override { rootDir_ = rootDir; }
  void SetUnattended(bool unattended) override;
  int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) override;
  bool Test(const std::vector<std::string>& archiveFiles, std::string* error) override;
  std::vector<std::string> List(const std::string& archivePath) override;
  std::vector<ArchiveEntry> Entries(const std::string& archivePath) override;
  int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
              const std::string& baseDir) override;
  void SetNamesCharset(int charset) override;
  void Cancel() override;
  ArchiveListing ListEntries(const std::string& archivePath, int codePage) override;
  int ExtractListed(const std::string& archivePath, const std::vector<std::size_t>& listed,
                    const ExtractRequest& request) override;

 private:
  class EventScope;

  void ShowMessage(const std::string& text) override;
  std::optional<std::string> AskPassword(const std::string& caption, const std::string& prompt) override;
  bool AskOverwriteVolume(const std::string& question) override;
  bool AskNextDisk(const std::string& prompt) override;
  TZipDiskAction AskAboutDisk(TZipDiskStatus status, const std::string& question) override;
  Overwrite AskOverwrite(const std::string& file, bool existingIsOlder, bool writtenByThisJob,
                         bool mayKeepBoth) override;
  void LetWindowsRun() override;
  // The engine lists `archivePath` unless it has it listed already.
  void Open(const std::string& archivePath);

  TZipEngine& engine_;
  ZipQuestions* previousQuestions_;
  const ReplaceQuestion* askReplace_ = nullptr;  // of the extraction running
  ArchiveBackendObserver* observer_ = nullptr;
  std::string rootDir_;
  std::optional<bool> engineUnattended_;  // while SetUnattended holds
};

}  // namespace orn
