#include "ArchivatorDialogs.h"

#include "UnitMessanger.h"

bool ArchivatorDialogService::Question(const std::string& text, const std::string& yesCaption,
                                       const std::string& noCaption) {
  return FrmMessager()->Ask(QString::fromStdString(text), QString::fromStdString(yesCaption),
                            QString::fromStdString(noCaption));
}
