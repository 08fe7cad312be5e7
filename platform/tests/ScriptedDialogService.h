// A dialog service for tests: each kind of question takes the next answer of
// its own queue; an empty queue answers as the headless service would. Every
// question asked is recorded in `asked`.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "DialogService.h"

namespace orn {

class ScriptedDialogService : public DialogService {
 public:
  std::deque<bool> questionAnswers;
  std::deque<int> messageBoxAnswers;
  std::deque<std::string> messageBoxInputs;  // input mode: text put into extra
  std::deque<int> messageDialogAnswers;
  std::deque<int> choiceAnswers;
  std::vector<ChoiceRequest> choices;
  std::deque<std::optional<std::string>> passwords;
  std::deque<std::optional<std::string>> openFiles;
  std::deque<std::optional<std::string>> saveFiles;
  std::deque<std::optional<std::string>> directories;
  std::vector<std::string> asked;  // "kind: text" of every question
  std::vector<MessageBoxRequest> messageBoxes;

  bool Question(const std::string& text, const std::string& yesCaption, const std::string& noCaption) override;
  int MessageBox(MessageBoxRequest& request) override;
  int MessageDialog(const std::string& message, const std::string& caption, DialogType type, unsigned buttons) override;
  int Choice(const ChoiceRequest& request) override;
  std::optional<std::string> Password(const std::string& caption, const std::string& prompt) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseDirectory(const std::string& caption, const std::string& start) override;
  void ShowError(const std::string& text) override;
};

}  // namespace orn
