#include "DialogService.h"

#include <cstdio>

namespace orn {

namespace {
std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

std::unique_ptr<DialogService>& Slot() {
  static std::unique_ptr<DialogService> service = std::make_unique<HeadlessDialogService>();
  return service;
}

template <typename T>
T Next(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

void SetDiagnosticSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }

void Diagnostic(const std::string& line) {
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

// --- scripted ---------------------------------------------------------------

bool ScriptedDialogService::Question(const std::string& text, const std::string&, const std::string& noCaption) {
  asked.push_back("question: " + text);
  return Next(questionAnswers, noCaption.empty());
}

int ScriptedDialogService::MessageBox(MessageBoxRequest& request) {
  asked.push_back("message: " + request.message);
  if (request.iconIndex == 99 && !messageBoxInputs.empty()) request.extra = Next(messageBoxInputs, request.extra);
  messageBoxes.push_back(request);
  return Next(messageBoxAnswers, request.buttons == 0 ? kMsgOk : kMsgClosed);
}

int ScriptedDialogService::MessageDialog(const std::string& message, const std::string&, DialogType, unsigned) {
  asked.push_back("dialog: " + message);
  return Next(messageDialogAnswers, kMrNone);
}

int ScriptedDialogService::Choice(const ChoiceRequest& request) {
  asked.push_back("choice: " + request.text);
  choices.push_back(request);
  return Next(choiceAnswers, request.defaultButton);
}

std::optional<std::string> ScriptedDialogService::Password(const std::string&, const std::string& prompt) {
  asked.push_back("password: " + prompt);
  return Next(passwords, std::optional<std::string>());
}

std::optional<std::string> ScriptedDialogService::OpenFile(const FileDialogRequest& request) {
  asked.push_back("open: " + request.caption);
  return Next(openFiles, std::optional<std::string>());
}

std::optional<std::string> ScriptedDialogService::SaveFile(const FileDialogRequest& request) {
  asked.push_back("save: " + request.caption);
  return Next(saveFiles, std::optional<std::string>());
}

std::optional<std::string> ScriptedDialogService::ChooseDirectory(const std::string& caption, const std::string&) {
  asked.push_back("directory: " + caption);
  return Next(directories, std::optional<std::string>());
}

void ScriptedDialogService::ShowError(const std::string& text) { asked.push_back("error: " + text); }

}  // namespace orn
