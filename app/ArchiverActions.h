// What the main window's archive, extract, add-to-list and marking commands
// do with a screen. The archive run and the restores are the job session's
// (JobSession.h); WindowFront is the window's side of them: the progress
// window, the archive and file choosers, the overwrite question and the
// floppy window. Adding files and marking the register build their windows
// over the Qt-free logic of app/sources.
//
// None of them shows a window that nobody can answer: with the headless
// dialog service the choosers take their default answer (nothing chosen)
// and the run goes on without a progress window's questions.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "ArchiveBackend.h"
#include "ArchiveRun.h"
#include "Extraction.h"
#include "Job.h"
#include "JobSession.h"
#include "MessageLog.h"
#include "UnitProgress.h"

class QWidget;
class TZipEngine;

namespace orn {

// The texts of the hidden labels of a window (msg_NoCopyFile, LabAdd, ...),
// which the window's translation keeps current; the resource texts for a
// label the window does not have.
class WindowLabelTexts : public MessageTexts {
 public:
  explicit WindowLabelTexts(const QWidget* window) : window_(window) {}
  std::string Text(const std::string& labelName) const override;

 private:
  const QWidget* window_;
};

// Unless given, the texts are those of the parent window's hidden labels and
// the file column's heading is the caption of its group OrnGroupBox1.
struct ArchiverWindowOptions {
  bool showMessages = false;            // "DOSHOWMESSAGES"
  const MessageTexts* texts = nullptr;  // the translated label texts
  QString filesCaption;                 // heading of the archive chooser's file column
  // The floppy copy window, given the archive files of the run.
  std::function<void(const std::vector<std::string>&)> copyToFloppies;
  // Settings of the run before it starts (temporary directory, job writer).
  std::function<void(ArchiveRun&)> configureRun;
  // Stops the job under way when the progress window's Cancel is pressed
  // (the zip engine's Cancel).
  std::function<void()> cancelEngine;
};

// The window's side of a job of the session, over the window `parent`.
class WindowFront : public SessionFront {
 public:
  WindowFront(QWidget* parent, const ArchiverWindowOptions& options);

  RunObserver& Progress() override { return progress_; }
  const MessageTexts& Texts() const override;
  // The archive chooser (TFormUnarh).
  std::string ChooseArchive(const Job& job) override;
  // The file chooser (TFormUnAr), with the progress window out of its way.
  bool ChooseFiles(FileChooserModel& model) override;
  // The question of AskOverwrite.
  bool ConfirmOverwrite(const std::vector<std::string>& existing) override;
  void ConfigureRun(ArchiveRun& run) override;

  ProgressObserver& Observer() { return progress_; }

 private:
  QWidget* parent_;
  ArchiverWindowOptions options_;
  WindowLabelTexts windowTexts_;
  ProgressObserver progress_;
};

// The archive run (SpeedButton10, "ARHIV") with the progress window, outside
// a session. The job's last archiving date changes when a unique save was
// made; the job file is written by the run.
RunResult RunArchiveFromWindow(QWidget* parent, Job& job, TZipEngine& engine, bool showMessages,
                               const MessageTexts* texts = nullptr);
RunResult RunArchiveFromWindow(QWidget* parent, Job& job, ArchiveBackend& backend,
                               const ArchiverWindowOptions& options = {});

// Extraction (SpeedButton9 / "UNARHIV" with `whole` false, SpeedButton8 /
// "UNARHIVALL" with `whole` true) outside a session: the archive chooser,
// then, for chosen files, the file chooser, then, when files would be
// replaced, the overwrite question (AskOverwrite), then the extract step
// with the progress window.
ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, TZipEngine& engine, bool whole, bool showMessages,
                                 const MessageTexts* texts = nullptr);
ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, ArchiveBackend& backend, bool whole,
                                 const ArchiverWindowOptions& options = {});

struct AddFilesOutcome {
  std::vector<std::string> returned;  // what the window returned
  bool replaced = false;              // "Replace the list" to the LabAdd question
  int added = 0;                      // entries new to the job list
  bool changed = false;               // the job list changed (job no longer saved)
};

// "Add to file list" (SpeedButton3): the add-files window, the LabAdd
// question ("add to the existing list?") with the buttons "Add to the list"
// (the default), "Replace the list" and "Cancel", folders walked,
// duplicates left out. Adding keeps the job list and adds to it; replacing
// puts what was chosen in its place; Cancel changes nothing.
// `startDirectory` is the folder the window shows first.
AddFilesOutcome AddFilesFromWindow(QWidget* parent, Job& job, const MessageTexts* texts = nullptr,
                                   const std::string& startDirectory = "/");
// The folder the add-files window shows first: the folder of the job's
// first entry when it exists, else `home`.
std::string AddFilesStartFolder(const Job& job, const std::string& home);

// The same after the window: `returned` merged into the job list.
AddFilesOutcome ApplyAddedFiles(Job& job, std::vector<std::string> returned, bool addToExisting);

struct MarkOutcome {
  bool oldRegister = false;  // no PriznArh field: the lblOldSPR notice was shown
  bool accepted = false;     // OK was pressed
  int written = 0;           // records whose mark changed
};

// "Mark DB files" / "Refresh DB" (SpeedButton5): the register is cleaned,
// the marking window shows its lines, and the changed marks are written on
// OK (RegisterMarking). Table errors are thrown to the caller.
MarkOutcome MarkRegisterFromWindow(QWidget* parent, const Job& job, const MessageTexts* texts = nullptr);

// The question before a restore replaces files that exist: how many and in
// which folders, answered Yes or No in the message window, No focused.
// True to replace them.
bool AskOverwrite(const MessageTexts& texts, const std::vector<std::string>& existing);

// True while one of the actions above runs. The progress window lets
// pending events run, so the main window's commands can be reached during a
// job; those that change the job or the engine should wait (the session's
// own jobs are guarded by the session).
bool ArchiverActionRunning();

// A label text of the main window, or `fallback` when the texts do not know
// the label.
std::string LabelTextOr(const MessageTexts* texts, const std::string& labelName, const std::string& fallback);

}  // namespace orn
