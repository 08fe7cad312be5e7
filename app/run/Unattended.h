// The program without any window: a scheduled backup, a restore over SSH.
// It loads no part of the window system, so that nothing of it can fail an
// unattended run: the framework settings and the dictionary are read as the
// windows read them (the log speaks the same language), the zip engine works
// through the same session, and the person at a terminal, if any, sees one
// progress line and is asked before files are replaced. With nobody there,
// nothing is asked and nothing is replaced.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "CommandLine.h"
#include "JobSession.h"
#include "MessageLog.h"
#include "RunObserver.h"
#include "RunProgress.h"

namespace orn {

// The label texts of the language dictionary in the chosen language; the
// resource texts where it has none.
class DictionaryTexts : public MessageTexts {
 public:
  std::string Text(const std::string& labelName) const override;
};

// One line on a terminal saying how far the job has come: the stage, bytes
// (or items) done of the total, and the time left. It is rewritten in place
// at most five times a second and wiped before any other line is written and
// when the job ends.
class TerminalProgress : public RunObserver {
 public:
  // `out` is the terminal; `nowMs` the clock (a steady one by default);
  // `words` the reader's language (the dictionary's labels by default).
  explicit TerminalProgress(std::FILE* out, std::function<std::int64_t()> nowMs = {}, UnitWord words = {});
  ~TerminalProgress() override;

  void RunStarted() override;
  void RunFinished() override;
  void StageStarted(ProgressStage stage, int files, std::int64_t bytes) override;
  void ItemStarted(std::int64_t bytesBefore) override;
  void StageSized(int files, std::int64_t bytes) override;
  // The checks and waits before a stage ("CHECKING", "WAITING").
  void SetTitle(const std::string& title) override;
  void BytesDone(std::int64_t bytesDone) override;
  void StageEnded(ProgressStage stage) override;

  // The line as it stands now, without the terminal's control characters.
  std::string Line() const;

 private:
  void Draw(bool force);
  void Wipe();

  std::FILE* out_;
  std::function<std::int64_t()> nowMs_;
  UnitWord words_;
  std::string title_;  // of a check or a wait, until the next stage
  ProgressStage stage_ = ProgressStage::Zipping;
  bool active_ = false;  // between RunStarted and RunFinished
  bool shown_ = false;   // a line stands on the terminal
  int files_ = 0;
  int filesDone_ = 0;
  std::int64_t bytes_ = -1;
  std::int64_t bytesDone_ = 0;
  std::int64_t stageStartMs_ = 0;
  std::int64_t lastDrawMs_ = -1000;
};

// What a run without a window answers: the newest archive for a restore
// (unless the command line names one), the files named on the command line,
// and the overwrite question on a terminal; with no terminal nobody can be
// asked, and files that exist are kept.
class TerminalFront : public SessionFront {
 public:
  // `terminal` is where the progress line and the question go (null: none);
  // `answers` where the answer is read (null: nobody can answer).
  TerminalFront(const MessageTexts& texts, std::FILE* terminal, std::FILE* answers);

  RunObserver& Progress() override { return terminal_ ? static_cast<RunObserver&>(progress_) : quiet_; }
  const MessageTexts& Texts() const override { return texts_; }
  std::string ChooseArchive(const Job& job) override;
  bool ChooseFiles(FileChooserModel& model) override;
  bool ConfirmOverwrite(const std::vector<std::string>& existing) override;
  bool CanAsk() const override { return terminal_ && answers_; }

 private:
  const MessageTexts& texts_;
  std::FILE* terminal_;
  std::FILE* answers_;
  TerminalProgress progress_;
  RunObserver quiet_;
};

// Runs a command line without any window: the settings and dictionary, the
// zip engine and the session; "--list" prints the job's archives, a command
// runs after the start delay. Returns the exit status. `startup` must have
// no error (the caller has told it and ended).
int RunWithoutWindow(const StartupCommand& startup);

}  // namespace orn
