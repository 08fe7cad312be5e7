#include "ScriptedDialogService.h"

namespace orn {

namespace {
template <typename T>
T Next(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

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
