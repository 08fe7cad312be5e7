// The message window TFormSoobchen: one modal box per process, reused for
// every message and question of the controls and the archiver's windows.
// It shows a caption, a message, a second line or an input field, an icon
// and one or two buttons, and answers 0 (OK/Yes), 5 (Cancel/No) or 99 (closed
// any other way). Enter presses the focused button (the default one at
// first), Escape closes the window (99).
#pragma once

#include <QDialog>
#include <QString>

class GradCaption;
class QFrame;
class QLabel;
class TOrnButton;
class TOrnEdit;
class TOrnLabel;

class TFormSoobchen : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSoobchen(QWidget* parent = nullptr);

  // Shows the window modally and returns its answer; in input mode
  // (iconIndex 99) `extra` receives the edited text, whichever way the window
  // was closed.
  // Non-empty `okCaption` / `cancelCaption` replace the standard captions of
  // the two buttons.
  int ShowMessageBox(const QString& caption, const QString& message, QString& extra, int iconIndex, int defaultButton,
                     int buttons, const QString& okCaption = QString(), const QString& cancelCaption = QString());

  // Lays the window out for a message without showing it (ShowMessageBox
  // does this first; tests look at the result).
  void Prepare(const QString& caption, const QString& message, const QString& extra, int iconIndex, int defaultButton,
               int buttons, const QString& okCaption = QString(), const QString& cancelCaption = QString());

  // The answer of the last showing, process-wide.
  static int LastResult();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Press(int result);

  GradCaption* gradCaption_;
  QFrame* panel_;
  TOrnLabel* lblSoob_;
  QLabel* image_;
  TOrnLabel* lblDopInform_;
  TOrnEdit* editStroka_;
  TOrnButton* btnOk_;
  TOrnButton* btnCancel_;
  int defaultButton_ = 0;
};

// The process's message window, created on first use and kept for the life
// of the application (the start-up creates it beside the main window).
TFormSoobchen* FormSoobchen();
void SetFormSoobchen(TFormSoobchen* window);

// ShowMessageBox on the process's message window.
int ShowMessageBox(const QString& caption, const QString& message, QString& extra, int iconIndex, int defaultButton,
                   int buttons, const QString& okCaption = QString(), const QString& cancelCaption = QString());
