// The progress window TfrmProgress and what feeds it. The run and the
// extraction speak to a RunObserver; ProgressObserver turns that into the
// window (opened, titled, fed file names, closed) and, for as long as the
// window is open, lets the zip engine's "process messages" seam run Qt's
// pending events so that the program stays responsive during a long job.
//
// The back-end only names the file being processed; CountingBackend sits in
// front of it and tells the window how many files and bytes a job holds, so
// that the bar can move and the window can say how far the job has come.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "RunObserver.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmProgress : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmProgress(QWidget* parent = nullptr);

  // The title label ("processing" until the run sets "ZIPPING").
  void SetTitle(const QString& title);
  // The file label; an empty name leaves the last one shown.
  void SetFileName(const QString& fileName);

  // A job of `files` items and `bytes` bytes starts (bytes < 0: unknown;
  // files <= 0: the bar only shows that something is going on).
  void StartJob(int files, std::int64_t bytes);
  // The next item of the job has started; `bytesBefore` is what the items
  // before it held.
  void ItemStarted(std::int64_t bytesBefore);
  // So much of the job's data is done, inside an item too: the bar and the
  // sizes move while a large file is zipped or read back.
  void BytesDone(std::int64_t bytesDone);
  // The job has ended, however far it got.
  void EndJob();

  int FilesDone() const { return filesDone_; }
  int FilesTotal() const { return filesTotal_; }

  // While a job runs the window cannot be closed by the user: the job still
  // talks to it. Its Cancel button and Escape ask the job to stop instead.
  void SetBusy(bool busy);
  bool CancelRequested() const { return cancelRequested_; }

 signals:
  void CancelClicked();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowCounts();
  void RequestCancel();

  QLabel* label1_;
  QProgressBar* animate1_;
  QLabel* label2_;
  QLabel* lblCount_;
  QLabel* lblTime_;
  QPushButton* cancel_;
  QElapsedTimer started_;
  int filesTotal_ = 0;
  int filesDone_ = 0;
  std::int64_t bytesTotal_ = -1;
  std::int64_t bytesDone_ = 0;
  bool busy_ = false;
  bool cancelRequested_ = false;
};

namespace orn {

// Lets pending window events run, at most some twenty-five times a second:
// what the zip engine's callbacks do while a window waits for a job.
void LetWindowsRun();

// "1.5 MB", "512 bytes": sizes as the progress window shows them.
QString SizeText(std::int64_t bytes);
// "1:05" for 65 seconds, "1:01:05" past an hour.
QString DurationText(std::int64_t seconds);
// The time a job still needs when `done` of `total` took `elapsedMs`;
// negative while nothing is known yet.
std::int64_t SecondsLeft(std::int64_t done, std::int64_t total, std::int64_t elapsedMs);

// The progress window's titles, translated: what the job is doing now.
enum class ProgressStage { Zipping, Verifying, Copying, Restoring };
QString StageTitle(ProgressStage stage);
// The dictionary's text for `key`, or `fallback`.
QString TranslatedOr(const char* key, const char* fallback);

// The run's and the extraction's observer with a screen: opens the progress
// window over `parent` when a job starts and closes it at the end.
class ProgressObserver : public RunObserver {
 public:
  explicit ProgressObserver(QWidget* parent);
  ~ProgressObserver() override;

  void RunStarted() override;
  void RunFinished() override;
  void SetTitle(const std::string& title) override;
  void SetFileName(const std::string& fileName) override;
  void ProcessMessages() override;
  // The window shows the copy: its target, and the bar by bytes.
  bool Copying(const std::string& target, std::int64_t copied, std::int64_t total) override;
  bool AskCopyToFloppies(const std::string& text) override;
  void CopyToFloppies(const std::vector<std::string>& zipFiles) override;

  // The floppy copy window; nothing happens without one.
  std::function<void(const std::vector<std::string>&)> copyToFloppies;

  // The open window, or null between jobs.
  TfrmProgress* Window() const { return window_; }
  // Set when a window should stay up after the run (for a picture of it).
  void SetKeepWindow(bool keep) { keepWindow_ = keep; }

  // Cancel on the window: the flag stays set for the rest of the action, and
  // `cancelEngine` (the zip engine's Cancel) stops the job under way.
  bool Cancelled() const { return cancelled_; }
  void Cancel();
  std::function<void()> cancelEngine;

 private:
  class CloseBlocker;

  QWidget* parent_;
  QPointer<TfrmProgress> window_;
  // While a job runs, pending events run too: the main window must not be
  // closed under the job, which works on its job and its zip engine.
  QPointer<QObject> closeBlocker_;
  bool keepWindow_ = false;
  bool cancelled_ = false;
  std::string copyTarget_;  // the copy the window shows
};

// Stands in front of the real back-end for the length of one window action:
// before Add and Extract it tells the progress window how many items (and,
// for Add, bytes) the job holds, and counts each item the back-end starts.
class CountingBackend : public ArchiveBackend, private ArchiveBackendObserver {
 public:
  CountingBackend(ArchiveBackend& inner, ProgressObserver& progress);
  ~CountingBackend() override;

  void SetObserver(ArchiveBackendObserver* observer) override { outer_ = observer; }
  void SetVolumes(bool on, std::int64_t maxVolumeSize) override { inner_.SetVolumes(on, maxVolumeSize); }
  void SetRootDir(const std::string& rootDir) override {
    rootDir_ = rootDir;
    inner_.SetRootDir(rootDir);
  }
  int Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) override;
  bool Test(const std::vector<std::string>& archiveFiles, std::string* error) override;
  std::vector<std::string> List(const std::string& archivePath) override { return inner_.List(archivePath); }
  int Extract(const std::string& archivePath, const std::vector<std::string>& entries,
              const std::string& baseDir) override;
  bool Cancelled() const override { return progress_.Cancelled(); }

 private:
  void OnProgress(const std::string& fileName) override;
  void OnMessage(int code, const std::string& text) override;
  void OnBytes(std::int64_t bytes) override;
  void OnTotals(int files, std::int64_t bytes) override;
  // The windows run whether or not a run watches this job.
  void LetWindowsRun() override {
    if (outer_)
      outer_->LetWindowsRun();
    else
      progress_.ProcessMessages();
  }
  void Start(ProgressStage stage, int files, std::int64_t bytes, std::vector<std::int64_t> sizes);
  void End();
  // Reports the cancellation to the run (it logs it) and answers "nothing".
  int NothingAfterCancel();

  ArchiveBackend& inner_;
  ProgressObserver& progress_;
  ArchiveBackendObserver* outer_ = nullptr;
  bool counting_ = false;
  bool knowsBytes_ = false;
  ProgressStage stage_ = ProgressStage::Zipping;
  std::string rootDir_;
  std::vector<std::int64_t> sizes_;  // of the items, in the order given
  size_t started_ = 0;
  std::int64_t bytesBefore_ = 0;
  std::int64_t bytesDone_ = 0;  // as the engine reports them
};

}  // namespace orn
