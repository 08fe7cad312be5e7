// What the main window's archive, extract, add-to-list and marking commands
// do with a screen: each builds its windows, runs the Qt-free logic of
// app/run and app/sources, and returns what the main window needs to refresh
// itself and, for a command from the command line, the exit status.
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
#include "MessageLog.h"

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

// The archive run (SpeedButton10, "ARHIV") with the progress window. The
// job's last archiving date changes when a unique save was made; the job
// file is written by the run. An error while the files are gathered (an
// unknown alias) is thrown before anything is zipped.
RunResult RunArchiveFromWindow(QWidget* parent, Job& job, TZipEngine& engine, bool showMessages,
                               const MessageTexts* texts = nullptr);
RunResult RunArchiveFromWindow(QWidget* parent, Job& job, ArchiveBackend& backend,
                               const ArchiverWindowOptions& options = {});

struct ExtractOutcome {
  bool archiveChosen = false;
  std::string chosenArchive;  // full path; empty unless chosen
  ExtractResult result;
  // 0 when every entry asked for was restored, 4 when some were not, 5 when
  // nothing was restored (no archive chosen included).
  int ExitStatus() const { return result.ExitStatus(); }
};

// Extraction (SpeedButton9 / "UNARHIV" with `whole` false, SpeedButton8 /
// "UNARHIVALL" with `whole` true): the archive chooser, then, for chosen
// files, the file chooser, then, when files would be replaced, the
// overwrite question (AskOverwrite), then the extract step with the progress
// window.
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

// "Mark DB files" / "Refresh DB" (SpeedButton5): cleans the register, shows
// the marking window and writes the changed marks on OK. Table errors are
// thrown to the caller.
MarkOutcome MarkRegisterFromWindow(QWidget* parent, const Job& job, const MessageTexts* texts = nullptr);

// The question before a restore replaces files that exist: how many and in
// which folders, answered Yes or No in the message window, No focused.
// True to replace them.
bool AskOverwrite(const MessageTexts& texts, const std::vector<std::string>& existing);

// True while one of the actions above runs. The progress window lets
// pending events run, so the main window's commands can be reached during a
// job; those that change the job or the engine should wait.
bool ArchiverActionRunning();

// A label text of the main window, or `fallback` when the texts do not know
// the label.
std::string LabelTextOr(const MessageTexts* texts, const std::string& labelName, const std::string& fallback);

}  // namespace orn
