// The dialog service used when there is a screen: questions and messages in
// the message window, run-time message dialogs, the platform's file and
// directory choosers. The archiver derives from it to ask its questions in
// its own question window.
#pragma once

#include <QString>

#include "DialogService.h"

class QtDialogService : public orn::DialogService {
 public:
  bool Question(const std::string& text, const std::string& yesCaption, const std::string& noCaption) override;
  int MessageBox(orn::MessageBoxRequest& request) override;
  int MessageDialog(const std::string& message, const std::string& caption, orn::DialogType type,
                    unsigned buttons) override;
  int Choice(const orn::ChoiceRequest& request) override;
  std::optional<std::string> Password(const std::string& caption, const std::string& prompt) override;
  std::optional<std::string> OpenFile(const orn::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const orn::FileDialogRequest& request) override;
  std::optional<std::string> ChooseDirectory(const std::string& caption, const std::string& start) override;
  void ShowError(const std::string& text) override;
};

// "Ombrelant Archive file|*.arh|All|*.*" -> "Ombrelant Archive file (*.arh);;All (*.*)".
QString QtFileFilter(const std::string& filter);
