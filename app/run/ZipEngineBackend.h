// The archive back-end over the zip engine component: the run and the
// extraction talk to ArchiveBackend, this adapter turns each call into the
// engine's calling order (options, FSpecArgs, ZipFileName, Add / Extract) and
// its events into the back-end observer's.
#pragma once

#include "ArchiveBackend.h"

class TZipEngine;

namespace orn {

// The component's design-time values the archiver relies on: compression
// level 9, stored directory names, extraction with directories and
// overwriting, already-compressed suffixes stored as they are; and three
// tries at an archive's password.
void ApplyArchiverSettings(TZipEngine& engine);

class ZipEngineBackend : public ArchiveBackend {
 public:
  // Borrows the main window's engine; its own event handlers are put back
  // after every job.
  explicit ZipEngineBackend(TZipEngine& engine);

  void SetObserver(ArchiveBackendObserver* observer) override { observer_ = observer; }
  void SetVolumes(bool on, std::int64_t maxVolumeSize) override;
  void SetRootDir(const std::string& rootDir) override { rootDir_ = rootDir; }
  int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) override;
  bool Test(const std::vector<std::string>& archiveFiles, std::string* error) override;
  std::vector<std::string> List(const std::string& archivePath) override;
  int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
              const std::string& baseDir) override;

 private:
  class EventScope;

  TZipEngine& engine_;
  ArchiveBackendObserver* observer_ = nullptr;
  std::string rootDir_;
};

}  // namespace orn
