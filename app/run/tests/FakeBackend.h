// A stand-in for the zip engine: writes a plain container ("ORNFAKE", then
// per entry a header line and the data, then "END") and reads it back with a
// checksum per entry, so that runs and extractions can be tested without
// real zip archives. Volumes cut the container into numbered files.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ArchiveBackend.h"

namespace orn::test {

class FakeBackend : public ArchiveBackend {
 public:
  ~FakeBackend() override;
  void SetObserver(ArchiveBackendObserver* observer) override { observer_ = observer; }
  void SetVolumes(bool on, std::int64_t maxVolumeSize) override {
    volumes_ = on;
    maxVolumeSize_ = maxVolumeSize;
  }
  void SetRootDir(const std::string& rootDir) override { rootDir_ = rootDir; }
  void SetUnattended(bool on) override { unattended = on; }
  int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) override;
  bool Test(const std::vector<std::string>& archiveFiles, std::string* error) override;
  std::vector<std::string> List(const std::string& archivePath) override;
  // Decides about each name as the engine's reader does.
  ArchiveListing ListEntries(const std::string& archivePath, int codePage) override;
  int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
              const std::string& baseDir) override;

  // Writes a container with the given entries (name -> data) at `path`.
  static void WriteArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries);
  // Entries of one container file or a set of volumes; false when broken.
  static bool ReadArchive(const std::vector<std::string>& files,
                          std::vector<std::pair<std::string, std::string>>* entries, std::string* error);

  bool Cancelled() const override { return cancelled; }

  // Knobs for the faults a test needs.
  bool cancelled = false;                            // the person pressed Cancel
  std::function<bool(const std::string&)> failTest;  // Test fails for such a file
  std::string failAddMessage;                        // Add reports this and makes nothing
  std::function<bool(const std::string&)> skipFile;  // Add leaves such a file out
  std::function<void(const std::string&, const std::vector<std::string>&)> onExtract;
  // Extract writes under this folder, as if it were "/"; a test that sets
  // none gets a scratch folder of its own, so nothing lands in the real "/".
  std::string redirectRoot;

  bool unattended = false;
  std::vector<bool> addedUnattended;  // SetUnattended's state at each Add
  std::vector<std::string> progress;
  std::vector<std::vector<std::string>> extracted;  // entries of each Extract call
  std::vector<std::string> extractBaseDirs;

 private:
  std::string scratchRoot_;
  ArchiveBackendObserver* observer_ = nullptr;
  std::string rootDir_;
  bool volumes_ = false;
  std::int64_t maxVolumeSize_ = 0;
};

// Writes `bytes` to `path`, creating missing directories.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// A fresh scratch directory (trailing delimiter), removed with RemoveTree.
std::string MakeScratchDir();
void RemoveTree(const std::string& dir);

}  // namespace orn::test
