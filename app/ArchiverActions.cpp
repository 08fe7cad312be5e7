#include "ArchiverActions.h"

#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "DialogService.h"
#include "FileSystem.h"
#include "Floppy.h"
#include "FrameworkState.h"
#include "JobListEdits.h"
#include "Marking.h"
#include "Register.h"
#include "SprAdm.h"
#include "Table.h"
#include "UnArh.h"
#include "UnitProgress.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"
#include "addfiles.h"
#include "funarhf.h"

namespace orn {

namespace {

// The progress window lets pending events run, so a second click on a
// command button would otherwise start a run inside the running one, on the
// same engine and the same temporary directory.
bool actionRunning = false;

class ActionGuard {
 public:
  ActionGuard() : entered_(!actionRunning) { actionRunning = true; }
  ~ActionGuard() {
    if (entered_) actionRunning = false;
  }
  ActionGuard(const ActionGuard&) = delete;
  ActionGuard& operator=(const ActionGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  bool entered_;
};

const MessageTexts& TextsOrDefault(const MessageTexts* texts) {
  static const MessageTexts defaults;
  return texts ? *texts : defaults;
}

const QWidget* WindowOf(const QWidget* parent) { return parent ? parent->window() : nullptr; }

// The design heads the file column with the main window's group caption.
QString FilesCaption(const QWidget* parent, const QString& given) {
  if (!given.isEmpty()) return given;
  if (const QWidget* window = WindowOf(parent))
    if (auto* group = window->findChild<QGroupBox*>("OrnGroupBox1"); group && !group->title().isEmpty())
      return group->title();
  return "Files";
}

}  // namespace

bool AskOverwrite(const MessageTexts& texts, const std::vector<std::string>& existing) {
  // Name the folders, so that the user sees which data would be replaced.
  std::vector<std::string> folders;
  for (const std::string& path : existing) {
    const std::string folder = ExtractFilePath(path);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  std::string where;
  for (size_t i = 0; i < folders.size() && i < 3; ++i) where += (i ? ", " : "") + folders[i];
  if (folders.size() > 3) where += ", ...";
  MessageBoxRequest request;
  request.caption = texts.Text("msg_Warning");
  request.message = texts.Text("msg_Overwrite");
  request.extra = texts.Text("msg_OverwriteWhere") + ": " + std::to_string(existing.size()) + " (" + where + ")";
  request.iconIndex = 2;
  request.buttons = 6;
  request.defaultButton = 256;  // No: the answer that loses nothing
  return Dialogs().MessageBox(request) == kMsgOk;
}

bool ArchiverActionRunning() { return actionRunning; }

std::string WindowLabelTexts::Text(const std::string& labelName) const {
  if (window_)
    if (auto* label = window_->findChild<QLabel*>(QString::fromStdString(labelName)); label && !label->text().isEmpty())
      return label->text().toStdString();
  return DefaultText(labelName);
}

std::string LabelTextOr(const MessageTexts* texts, const std::string& labelName, const std::string& fallback) {
  const std::string text = TextsOrDefault(texts).Text(labelName);
  return text.empty() || text == labelName ? fallback : text;
}

namespace {

// Entry names from DOS-era tools are read in the OEM page of the language
// chosen in Params.ini, whatever window started the job.
void FollowLanguage(TZipEngine& engine) { engine.SetNamesCharset(Framework().values.labelCharset); }

}  // namespace

RunResult RunArchiveFromWindow(QWidget* parent, Job& job, TZipEngine& engine, bool showMessages,
                               const MessageTexts* texts) {
  FollowLanguage(engine);
  ZipEngineBackend backend(engine);
  ArchiverWindowOptions options;
  options.showMessages = showMessages;
  options.texts = texts;
  options.cancelEngine = [&engine] { engine.SetCancel(true); };
  options.copyToFloppies = [parent, &job](const std::vector<std::string>& files) {
    TFormCopyToFlop form(files, job.archiveName, parent);
    form.exec();
  };
  return RunArchiveFromWindow(parent, job, backend, options);
}

RunResult RunArchiveFromWindow(QWidget* parent, Job& job, ArchiveBackend& backend,
                               const ArchiverWindowOptions& options) {
  ActionGuard guard;
  if (!guard.Entered()) {
    Diagnostic("Archive: another archive job is still running");
    return {};
  }
  const WindowLabelTexts windowTexts(WindowOf(parent));
  ProgressObserver progress(parent);
  progress.copyToFloppies = options.copyToFloppies;
  progress.cancelEngine = options.cancelEngine;
  CountingBackend counting(backend, progress);
  ArchiveRun run(counting, options.texts ? *options.texts : windowTexts);
  run.SetObserver(&progress);
  run.SetShowMessages(options.showMessages);
  if (options.configureRun) options.configureRun(run);
  return run.Run(job);
}

ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, TZipEngine& engine, bool whole, bool showMessages,
                                 const MessageTexts* texts) {
  FollowLanguage(engine);
  ZipEngineBackend backend(engine);
  ArchiverWindowOptions options;
  options.showMessages = showMessages;
  options.texts = texts;
  options.cancelEngine = [&engine] { engine.SetCancel(true); };
  return ExtractFromWindow(parent, job, backend, whole, options);
}

ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, ArchiveBackend& backend, bool whole,
                                 const ArchiverWindowOptions& options) {
  ExtractOutcome outcome;
  ActionGuard guard;
  if (!guard.Entered()) {
    Diagnostic("Extract: another archive job is still running");
    return outcome;
  }
  // A restore overwrites the accounting data: without anyone to choose the
  // archive, nothing is restored.
  Dialogs().OwnWindow(
      [&] {
        TFormUnarh chooser(job, FilesCaption(parent, options.filesCaption), parent);
        chooser.exec();
        outcome.archiveChosen = chooser.ArchiveChosen();
        if (outcome.archiveChosen) outcome.chosenArchive = chooser.ChosenArchive();
        return outcome.archiveChosen;
      },
      "Choose archive: nobody can answer; nothing restored");

  const WindowLabelTexts windowTexts(WindowOf(parent));
  ProgressObserver progress(parent);
  progress.cancelEngine = options.cancelEngine;
  CountingBackend counting(backend, progress);
  Extraction extraction(counting, options.texts ? *options.texts : windowTexts);
  extraction.SetObserver(&progress);
  extraction.SetShowMessages(options.showMessages);
  extraction.chooseFiles = [parent, &progress](FileChooserModel& model) {
    // The file chooser is modal over the main window; the progress window,
    // which stays on top, waits out of its way.
    if (TfrmProgress* w = progress.Window()) w->hide();
    TFormUnAr files(model, parent);
    const bool ok = files.exec() == QDialog::Accepted;
    if (TfrmProgress* w = progress.Window()) w->show();
    return ok;
  };
  // Without a display the question takes its default answer: nothing is
  // replaced that nobody agreed to.
  const MessageTexts& texts = options.texts ? *options.texts : windowTexts;
  extraction.confirmOverwrite = [&texts, &progress](const std::vector<std::string>& existing) {
    if (TfrmProgress* w = progress.Window()) w->hide();
    const bool replace = AskOverwrite(texts, existing);
    if (TfrmProgress* w = progress.Window()) w->show();
    return replace;
  };
  outcome.result = extraction.Run(job, outcome.chosenArchive, whole);
  // Cancelling the file chooser takes the choice back.
  if (!whole && !outcome.result.extracted) {
    outcome.archiveChosen = false;
    outcome.chosenArchive.clear();
  }
  return outcome;
}

AddFilesOutcome ApplyAddedFiles(Job& job, std::vector<std::string> returned, bool addToExisting) {
  AddFilesOutcome outcome;
  outcome.returned = returned;
  if (returned.empty()) return outcome;
  const std::vector<std::string> entries = ExpandAddedEntries(returned);
  if (addToExisting) {
    outcome.added = AddToJobList(job.jobList, entries);
    outcome.changed = outcome.added > 0;
  } else {
    std::vector<std::string> replaced;
    outcome.added = AddToJobList(replaced, entries);
    outcome.replaced = true;
    outcome.changed = replaced != job.jobList;
    job.jobList = std::move(replaced);
  }
  if (outcome.changed) job.saved = false;
  return outcome;
}

std::string AddFilesStartFolder(const Job& job, const std::string& home) {
  if (job.jobList.empty()) return home;
  const std::string folder = ExtractFilePath(job.jobList.front());
  return !folder.empty() && DirectoryExists(folder) ? folder : home;
}

AddFilesOutcome AddFilesFromWindow(QWidget* parent, Job& job, const MessageTexts* texts,
                                   const std::string& startDirectory) {
  ActionGuard guard;
  if (!guard.Entered()) return {};
  std::vector<std::string> returned;
  Dialogs().OwnWindow(
      [&] {
        TAddForm window(startDirectory, parent);
        if (window.exec() != QDialog::Accepted) return false;
        returned = window.Result();
        return true;
      },
      "Add files: nobody can answer; the file list stays as it is");
  if (returned.empty()) return {};
  const WindowLabelTexts windowTexts(WindowOf(parent));
  const MessageTexts* shown = texts ? texts : &windowTexts;
  // An empty job list has nothing to keep or replace. Otherwise each answer
  // says what it does: replacing the whole list is never the meaning of a
  // bare "No".
  bool addToExisting = true;
  if (!job.jobList.empty()) {
    ChoiceRequest question;
    question.text = LabelTextOr(shown, "LabAdd", "Add the chosen files to the existing list?");
    question.buttons = {LabelTextOr(shown, "btn_AddToList", "Add to the list"),
                        LabelTextOr(shown, "btn_ReplaceList", "Replace the list"), "Cancel"};
    question.defaultButton = 0;
    question.cancelButton = 2;
    const int answer = Dialogs().Choice(question);
    if (answer != 0 && answer != 1) return {};
    addToExisting = answer == 0;
  }
  return ApplyAddedFiles(job, std::move(returned), addToExisting);
}

MarkOutcome MarkRegisterFromWindow(QWidget* parent, const Job& job, const MessageTexts* texts) {
  MarkOutcome outcome;
  // The register is being archived while a run goes on; it is not changed
  // under it.
  ActionGuard guard;
  if (!guard.Entered()) return outcome;
  if (job.registerFile.empty() || !FileExists(job.registerFile)) return outcome;
  Table sprFile;
  OpenRegister(sprFile, job.registerFile);
  CleanRegister(sprFile);
  std::optional<std::vector<MarkingLine>> lines = ReadMarkingLines(sprFile);
  if (!lines) {
    outcome.oldRegister = true;
    const WindowLabelTexts windowTexts(WindowOf(parent));
    Dialogs().Question(LabelTextOr(texts ? texts : &windowTexts, "lblOldSPR",
                                   "This is old version of SPR file. You can archive your files by using "
                                   "\"Add to list\""),
                       "Ok", "");
    return outcome;
  }
  Dialogs().OwnWindow(
      [&] {
        TfrmSPRAdmin window(sprFile, parent);
        window.SetLines(*lines);
        outcome.accepted = window.exec() == QDialog::Accepted;
        outcome.written = outcome.accepted ? window.Written() : 0;
        return outcome.accepted;
      },
      "Mark DB files: nobody can answer; no mark changed");
  return outcome;
}

}  // namespace orn
