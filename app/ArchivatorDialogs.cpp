#include "ArchivatorDialogs.h"

#include "TextLookups.h"
#include "UnitMessanger.h"
#include "ZipMessages.h"

bool ArchivatorDialogService::Question(const std::string& text, const std::string& yesCaption,
                                       const std::string& noCaption) {
  return FrmMessager()->Ask(QString::fromStdString(text), QString::fromStdString(yesCaption),
                            QString::fromStdString(noCaption));
}

int ArchivatorDialogService::Choice(const orn::ChoiceRequest& request) {
  QStringList buttons;
  for (const std::string& caption : request.buttons) buttons << QString::fromStdString(caption);
  return FrmMessager()->AskChoice(QString::fromStdString(request.caption), QString::fromStdString(request.text),
                                  buttons, request.defaultButton, request.cancelButton);
}

void UseDictionaryForZipMessages() {
  orn::SetZipMessageTexts([](int ident) { return orn::SystemText("ZipMsg_" + std::to_string(ident)); });
}
