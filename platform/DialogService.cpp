#include "DialogService.h"

#include <cstdio>

namespace orn {

namespace {
std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

std::function<void()>& BeforeDiagnostic() {
  static std::function<void()> hook;
  return hook;
}

std::unique_ptr<DialogService>& Slot() {
  static std::unique_ptr<DialogService> service = std::make_unique<HeadlessDialogService>();
  return service;
}

}  // namespace

void SetDiagnosticSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }

void SetBeforeDiagnostic(std::function<void()> hook) { BeforeDiagnostic() = std::move(hook); }

void Diagnostic(const std::string& line) {
  if (BeforeDiagnostic()) BeforeDiagnostic()();
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  if (Sink()) Sink()(line);
}

DialogService& Dialogs() { return *Slot(); }

std::unique_ptr<DialogService> SetDialogs(std::unique_ptr<DialogService> service) {
  std::unique_ptr<DialogService> previous = std::move(Slot());
  Slot() = service ? std::move(service) : std::make_unique<HeadlessDialogService>();
  return previous;
}

bool DialogService::OwnWindow(const std::function<bool()>& show, const std::string&) { return show(); }

// --- headless ---------------------------------------------------------------

bool HeadlessDialogService::OwnWindow(const std::function<bool()>&, const std::string& unanswered) {
  Diagnostic(unanswered);
  return false;
}

bool HeadlessDialogService::Question(const std::string& text, const std::string& yesCaption,
                                     const std::string& noCaption) {
  Diagnostic("Question (no display, answered \"" + (noCaption.empty() ? yesCaption : noCaption) + "\"): " + text);
  return noCaption.empty();  // a lone button is the only answer there is
}

int HeadlessDialogService::MessageBox(MessageBoxRequest& request) {
  std::string line = request.caption.empty() ? request.message : request.caption + ": " + request.message;
  if (!request.extra.empty() && request.iconIndex != 99) line += " " + request.extra;
  Diagnostic(line);
  return request.buttons == 0 ? kMsgOk : kMsgClosed;
}

int HeadlessDialogService::MessageDialog(const std::string& message, const std::string& caption, DialogType,
                                         unsigned buttons) {
  Diagnostic(caption.empty() ? message : caption + ": " + message);
  if (buttons & kBtnCancel) return kMrCancel;
  if (buttons & kBtnNo) return kMrNo;
  if (buttons & kBtnOK) return kMrOk;
  return kMrNone;
}

int HeadlessDialogService::Choice(const ChoiceRequest& request) {
  const int answer = request.defaultButton;
  const bool known = answer >= 0 && answer < static_cast<int>(request.buttons.size());
  Diagnostic("Question (no display, answered \"" + (known ? request.buttons[answer] : std::string()) +
             "\"): " + request.text);
  return answer;
}

std::optional<std::string> HeadlessDialogService::Password(const std::string& caption, const std::string& prompt) {
  Diagnostic(caption + ": " + prompt + " (no display: no password given)");
  return std::nullopt;
}

std::optional<std::string> HeadlessDialogService::OpenFile(const FileDialogRequest& request) {
  Diagnostic("File chooser \"" + request.caption + "\" cannot be shown without a display");
  return std::nullopt;
}

std::optional<std::string> HeadlessDialogService::SaveFile(const FileDialogRequest& request) {
  Diagnostic("File chooser \"" + request.caption + "\" cannot be shown without a display");
  return std::nullopt;
}

std::optional<std::string> HeadlessDialogService::ChooseDirectory(const std::string& caption, const std::string&) {
  Diagnostic("Directory chooser \"" + caption + "\" cannot be shown without a display");
  return std::nullopt;
}

void HeadlessDialogService::ShowError(const std::string& text) { Diagnostic(text); }

}  // namespace orn
