// The question window TfrmMessager: a modal question with an icon, a text and
// two buttons. The first button answers Yes, the second No; without a No
// caption the second button is hidden. It lives as long as the application.
#pragma once

#include <QString>

#include "OrnForma.h"

class TOrnButton;
class TOrnLabel;

class TfrmMessager : public TOrnForm {
  Q_OBJECT

 public:
  explicit TfrmMessager(QWidget* parent = nullptr);

  // Sets the texts and buttons without showing the window.
  void Prepare(const QString& text, const QString& yesCaption, const QString& noCaption);
  // Asks modally; true only when the first button was pressed.
  bool Ask(const QString& text, const QString& yesCaption, const QString& noCaption);

 private:
  TOrnLabel* label_;
  TOrnButton* yes_;
  TOrnButton* no_;
};

// The application's question window (created on first use when the start-up
// has not created it).
TfrmMessager* FrmMessager();
void SetFrmMessager(TfrmMessager* window);
