// What the archive run and the extraction tell the person watching them: the
// progress window or a terminal's progress line (opened, titled, fed the file
// being processed and how far each stage has come, closed), the floppy
// question and the floppy window. Every method has a harmless default, so
// that an unattended run needs no window at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveBackend.h"

namespace orn {

// What a job of the back-end is doing now.
enum class ProgressStage { Zipping, Verifying, Copying, Restoring };

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // Create and show the progress window / close it.
  virtual void RunStarted() {}
  virtual void RunFinished() {}
  virtual void SetTitle(const std::string& /*title*/) {}
  virtual void SetFileName(const std::string& /*fileName*/) {}
  // Let pending window messages run.
  virtual void ProcessMessages() {}
  // A stage starts with `files` items of `bytes` bytes (bytes < 0: unknown;
  // files <= 0: only that something is going on); the next item starts,
  // the items before it having held `bytesBefore`; the stage has ended.
  virtual void StageStarted(ProgressStage /*stage*/, int /*files*/, std::int64_t /*bytes*/) {}
  virtual void ItemStarted(std::int64_t /*bytesBefore*/) {}
  virtual void StageEnded(ProgressStage /*stage*/) {}
  // The stage learned its size from the archive (a test, a restore): it
  // holds `files` items of `bytes` bytes, counted from here on.
  virtual void StageSized(int /*files*/, std::int64_t /*bytes*/) {}
  // So much of the stage's data is done, inside an item too.
  virtual void BytesDone(std::int64_t /*bytesDone*/) {}
  // An archive is being copied to `target`: `copied` of its `total` bytes
  // are there. False when the person stopped the run. The default lets
  // pending window messages run and goes on unless the job was cancelled.
  virtual bool Copying(const std::string& /*target*/, std::int64_t /*copied*/, std::int64_t /*total*/) {
    ProcessMessages();
    return !CancelRequested();
  }
  // The person asked the job to stop: no copy is placed after this.
  virtual bool CancelRequested() const { return false; }
  // The copy-to-floppies question; the default asks the dialog service.
  virtual bool AskCopyToFloppies(const std::string& text);
  // Shows the floppy copy window with the archive files made by the run.
  virtual void CopyToFloppies(const std::vector<std::string>& /*zipFiles*/) {}
};

// For the length of one job: the progress window is opened, the back-end's
// progress reaches it (a non-empty file name, then pending messages run) and
// its last message is kept; on leaving, the back-end is detached and the
// progress window closed, also when the job ends in an exception.
class ProgressScope : public ArchiveBackendObserver {
 public:
  ProgressScope(RunObserver& observer, ArchiveBackend& backend);
  ~ProgressScope() override;
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

  void OnProgress(const std::string& fileName) override;
  void OnMessage(int code, const std::string& text) override;
  void LetWindowsRun() override { observer_.ProcessMessages(); }

  // The last message the back-end reported, and all of them in order (they
  // name the files it could not take); cleared by ClearMessage.
  const std::string& LastMessage() const { return lastMessage_; }
  const std::vector<std::string>& Messages() const { return messages_; }
  void ClearMessage() {
    lastMessage_.clear();
    messages_.clear();
  }

 private:
  RunObserver& observer_;
  ArchiveBackend& backend_;
  std::string lastMessage_;
  std::vector<std::string> messages_;
};

}  // namespace orn
