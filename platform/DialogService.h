// The one way the program asks a person anything: questions, message boxes,
// password prompts and file or directory choosers. The Qt layer installs a
// service that shows windows; tests install a scripted one of their own; a
// run with no display uses the headless one, which never waits: every
// question takes its default answer and is written to standard error (and
// the log sink).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orn {

// The answers of the message window (ShowMessageBox): OK/Yes, Cancel/No, or
// closed any other way.
constexpr int kMsgOk = 0;
constexpr int kMsgCancel = 5;
constexpr int kMsgClosed = 99;

// Run-time message dialog kinds and results (MessageDialog).
enum class DialogType { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };
enum DialogButton : unsigned {
  kBtnYes = 1u << 0,
  kBtnNo = 1u << 1,
  kBtnOK = 1u << 2,
  kBtnCancel = 1u << 3,
  kBtnAbort = 1u << 4,
  kBtnRetry = 1u << 5,
  kBtnIgnore = 1u << 6,
  kBtnAll = 1u << 7,
  kBtnHelp = 1u << 8,
  kBtnYesToAll = 1u << 9,
  kBtnNoToAll = 1u << 10,
  kBtnKeepBoth = 1u << 11,
};
constexpr int kMrNone = 0, kMrOk = 1, kMrCancel = 2, kMrAbort = 3, kMrRetry = 4, kMrIgnore = 5, kMrYes = 6, kMrNo = 7,
              kMrAll = 8, kMrYesToAll = 9, kMrNoToAll = 10, kMrKeepBoth = 11;

struct MessageBoxRequest {
  std::string caption;
  std::string message;
  std::string extra;      // second line, or the input text when iconIndex == 99
  int iconIndex = 1;      // 0 error, 1 warning, 2 question, 99 input
  int defaultButton = 0;  // 0 focuses OK/Yes, 256 focuses Cancel/No
  int buttons = 0;        // 0 OK, 1 OK+Cancel, 6 Yes+No
  // Captions of the first and second button instead of the standard ones
  // (say what the button does); empty keeps "OK", "Yes", "Cancel", "No".
  std::string okCaption;
  std::string cancelCaption;
};

// A question whose buttons say what each answer does ("Add to the list",
// "Replace the list", "Cancel"). Enter presses the focused button, which
// is `defaultButton` at first; Escape and closing the window answer
// `cancelButton`.
struct ChoiceRequest {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  int defaultButton = 0;
  int cancelButton = 0;
};

struct FileDialogRequest {
  std::string caption;
  std::string filter;  // "Ombrelant Archive file|*.arh"
  std::string initialDir;
  std::string fileName;
  std::string defaultExt;
};

class DialogService {
 public:
  virtual ~DialogService() = default;

  // The question window: true only when the first (Yes) button was pressed.
  // An empty noCaption hides the second button.
  virtual bool Question(const std::string& text, const std::string& yesCaption, const std::string& noCaption) = 0;
  // The message window; returns kMsgOk, kMsgCancel or kMsgClosed. In input
  // mode (iconIndex 99) request.extra receives the edited text.
  virtual int MessageBox(MessageBoxRequest& request) = 0;
  // The run-time message dialog; returns one of the kMr* results.
  virtual int MessageDialog(const std::string& message, const std::string& caption, DialogType type,
                            unsigned buttons) = 0;
  // The index of the button pressed (see ChoiceRequest).
  virtual int Choice(const ChoiceRequest& request) = 0;
  // A password prompt; nothing when cancelled.
  virtual std::optional<std::string> Password(const std::string& caption, const std::string& prompt) = 0;
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseDirectory(const std::string& caption, const std::string& start) = 0;
  // Plain information for the person at the screen (the top-level handler's box).
  virtual void ShowError(const std::string& text) = 0;
  // A window of the program's own that asks a person (a chooser, the
  // marking window): `show` runs it and returns true when the person
  // accepted. The headless service shows nothing: it writes `unanswered` and
  // returns false.
  virtual bool OwnWindow(const std::function<bool()>& show, const std::string& unanswered);
};

// Nobody at the screen: every question takes its default answer (No,
// Cancel, nothing chosen) and is written to standard error.
class HeadlessDialogService : public DialogService {
 public:
  bool Question(const std::string& text, const std::string& yesCaption, const std::string& noCaption) override;
  int MessageBox(MessageBoxRequest& request) override;
  int MessageDialog(const std::string& message, const std::string& caption, DialogType type, unsigned buttons) override;
  // Nobody presses a button: the default answer, which the asker makes
  // the one that loses nothing.
  int Choice(const ChoiceRequest& request) override;
  std::optional<std::string> Password(const std::string& caption, const std::string& prompt) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseDirectory(const std::string& caption, const std::string& start) override;
  void ShowError(const std::string& text) override;
  bool OwnWindow(const std::function<bool()>& show, const std::string& unanswered) override;
};

// The process's dialog service (headless until the Qt layer installs its
// own). SetDialogs hands over ownership and returns the previous service.
DialogService& Dialogs();
std::unique_ptr<DialogService> SetDialogs(std::unique_ptr<DialogService> service);

// Where headless answers and diagnostics go besides standard error (the
// program's log); empty by default.
void SetDiagnosticSink(std::function<void(const std::string&)> sink);
// Runs before every diagnostic line is written: a progress line on the
// terminal wipes itself, so that the line does not land in the middle of it.
void SetBeforeDiagnostic(std::function<void()> hook);
// Writes one line to standard error and the diagnostic sink.
void Diagnostic(const std::string& line);

}  // namespace orn
