// The question window TfrmMessager: a modal question with an icon, a text and
// two or three buttons. The first button answers Yes, the second No; without
// a No caption the second button is hidden. Questions whose answers are more
// than yes and no name each answer on its own button (AskChoice). Enter
// presses the focused button, Escape and the close box answer the cancel
// button. It lives as long as the application.
#pragma once

#include <QString>
#include <QStringList>

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

  // Up to three buttons: sets them up without showing the window.
  void PrepareChoice(const QString& caption, const QString& text, const QStringList& buttons, int defaultButton,
                     int cancelButton);
  // Asks modally; the index of the button pressed, `cancelButton` for
  // Escape and the close box.
  int AskChoice(const QString& caption, const QString& text, const QStringList& buttons, int defaultButton,
                int cancelButton);

 public slots:
  void reject() override;

 private:
  TOrnLabel* label_;
  TOrnButton* buttons_[3];
  int answer_ = 0;
  int cancelButton_ = 1;
};

// The application's question window (created on first use when the start-up
// has not created it).
TfrmMessager* FrmMessager();
void SetFrmMessager(TfrmMessager* window);
