// The progress window TfrmProgress and what feeds it. The run and the
// extraction speak to a RunObserver; ProgressObserver turns that into the
// window (opened, titled, fed file names, closed) and, for as long as the
// window is open, lets the zip engine's "process messages" seam run Qt's
// pending events so that the program stays responsive during a long job.
//
// How many files and bytes each stage of a job holds comes from the core's
// CountingBackend (RunProgress.h), so that the bar can move and the window
// can say how far the job has come.
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
#include "RunProgress.h"

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

// The progress window's titles, translated: what the job is doing now.
QString StageTitle(ProgressStage stage);
// The dictionary's text for `key`, or `fallback`.
QString TranslatedOr(const char* key, const char* fallback);
// A size in the window's language ("1.5 MB").
std::string WindowSizeText(std::int64_t bytes);

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
  void StageStarted(ProgressStage stage, int files, std::int64_t bytes) override;
  void ItemStarted(std::int64_t bytesBefore) override;
  void StageEnded(ProgressStage stage) override;
  void StageSized(int files, std::int64_t bytes) override;
  void BytesDone(std::int64_t bytesDone) override;
  // The window shows the copy: its target, and the bar by bytes.
  bool Copying(const std::string& target, std::int64_t copied, std::int64_t total) override;
  bool CancelRequested() const override { return cancelled_; }
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

}  // namespace orn
