// The run-time message dialog: built for one call and freed afterwards, sized
// to its text in dialog units, with an icon by kind and a row of buttons from
// a set. A non-blank caption argument gives the buttons their Latvian
// captions; "ORNCAPTION" stands for the caption of the dialog's kind.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "DialogService.h"

struct MessageDialogButton {
  QString name;     // the English word, also the button's object name
  QString caption;  // English or Latvian
  int modalResult;
};

namespace orn {
// A standard button's caption ("Yes", "No", "OK", "Cancel", ...) or a
// message kind's caption ("Warning", "Error", ...) in the chosen language:
// the dictionary's "ORNCB" + name, else `fallback`.
QString ButtonCaption(const QString& name, const QString& fallback = {});
}  // namespace orn

// The caption shown for a caption argument and a kind.
QString MessageDialogCaption(const QString& caption, orn::DialogType type);
// The buttons of a set, in their fixed order.
std::vector<MessageDialogButton> MessageDialogButtons(unsigned buttons, bool latvianCaptions);

// Builds the dialog without showing it; left/top of -1 centre it.
std::unique_ptr<QDialog> CreateMessageDialog(const QString& message, const QString& caption, orn::DialogType type,
                                             unsigned buttons, int left = -1, int top = -1);

// Shows the dialog modally and returns the pressed button's modal result.
int MessageDialog(const QString& message, const QString& caption, orn::DialogType type, unsigned buttons,
                  int helpContext = 0, int left = -1, int top = -1);
