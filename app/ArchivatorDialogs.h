// The archiver's dialog service with a screen: its questions go to the
// question window TfrmMessager, everything else as in the controls' service.
#pragma once

#include "QtDialogService.h"

class ArchivatorDialogService : public QtDialogService {
 public:
  bool Question(const std::string& text, const std::string& yesCaption, const std::string& noCaption) override;
  int Choice(const orn::ChoiceRequest& request) override;
};

// The zip engine's own windows and messages (the password question) in the
// user's language: the dictionary's "ZipMsg_" + identifier entries, the
// engine's English where there is none.
void UseDictionaryForZipMessages();
