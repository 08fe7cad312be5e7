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
#include "SprAdm.h"
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
  MessageBoxRequest request;
  request.caption = texts.Text("msg_Warning");
  request.message = texts.Text("msg_Overwrite");
  request.extra = OverwriteWhere(texts, existing);
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

WindowFront::WindowFront(QWidget* parent, const ArchiverWindowOptions& options)
    : parent_(parent), options_(options), windowTexts_(WindowOf(parent)), progress_(parent) {
  progress_.copyToFloppies = options_.copyToFloppies;
  progress_.cancelEngine = options_.cancelEngine;
}

const MessageTexts& WindowFront::Texts() const { return options_.texts ? *options_.texts : windowTexts_; }

std::string WindowFront::ChooseArchive(const Job& job) {
  // A restore overwrites the accounting data: without anyone to choose the
  // archive, nothing is restored.
  std::string chosen;
  Dialogs().OwnWindow(
      [&] {
        TFormUnarh chooser(job, FilesCaption(parent_, options_.filesCaption), parent_);
        chooser.exec();
        if (chooser.ArchiveChosen()) chosen = chooser.ChosenArchive();
        return !chosen.empty();
      },
      "Choose archive: nobody can answer; nothing restored");
  return chosen;
}

bool WindowFront::ChooseFiles(FileChooserModel& model) {
  // The file chooser is modal over the main window; the progress window,
  // which stays on top, waits out of its way.
  if (TfrmProgress* w = progress_.Window()) w->hide();
  TFormUnAr files(model, parent_);
  const bool ok = files.exec() == QDialog::Accepted;
  if (TfrmProgress* w = progress_.Window()) w->show();
  return ok;
}

bool WindowFront::ConfirmOverwrite(const std::vector<std::string>& existing) {
  // Without a display the question takes its default answer: nothing is
  // replaced that nobody agreed to.
  if (TfrmProgress* w = progress_.Window()) w->hide();
  const bool replace = AskOverwrite(Texts(), existing);
  if (TfrmProgress* w = progress_.Window()) w->show();
  return replace;
}

void WindowFront::ConfigureRun(ArchiveRun& run) {
  if (options_.configureRun) options_.configureRun(run);
}

RunResult RunArchiveFromWindow(QWidget* parent, Job& job, TZipEngine& engine, bool showMessages,
                               const MessageTexts* texts) {
  ZipEngineBackend backend(engine);
  ArchiverWindowOptions options;
  options.showMessages = showMessages;
  options.texts = texts;
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
  ArchiverWindowOptions withCancel = options;
  if (!withCancel.cancelEngine) withCancel.cancelEngine = [&backend] { backend.Cancel(); };
  WindowFront front(parent, withCancel);
  return RunArchiveWith(job, backend, front, options.showMessages);
}

ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, TZipEngine& engine, bool whole, bool showMessages,
                                 const MessageTexts* texts) {
  ZipEngineBackend backend(engine);
  ArchiverWindowOptions options;
  options.showMessages = showMessages;
  options.texts = texts;
  return ExtractFromWindow(parent, job, backend, whole, options);
}

ExtractOutcome ExtractFromWindow(QWidget* parent, const Job& job, ArchiveBackend& backend, bool whole,
                                 const ArchiverWindowOptions& options) {
  ActionGuard guard;
  if (!guard.Entered()) {
    Diagnostic("Extract: another archive job is still running");
    return {};
  }
  ArchiverWindowOptions withCancel = options;
  if (!withCancel.cancelEngine) withCancel.cancelEngine = [&backend] { backend.Cancel(); };
  WindowFront front(parent, withCancel);
  return RestoreWith(job, backend, front, whole, RestoreRequest(), options.showMessages);
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
  RegisterMarking marking(job.registerFile);
  if (marking.OldRegister()) {
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
        TfrmSPRAdmin window([&marking](const std::vector<MarkingLine>& lines) { return marking.Write(lines); }, parent);
        window.SetLines(marking.Lines());
        outcome.accepted = window.exec() == QDialog::Accepted;
        outcome.written = outcome.accepted ? window.Written() : 0;
        return outcome.accepted;
      },
      "Mark DB files: nobody can answer; no mark changed");
  return outcome;
}

}  // namespace orn
