// TFormCalcul, the desk calculator that every window opens with Ctrl+K. It
// takes its start value from the window's focused field, computes through
// the expression evaluator (CalculatorMachine) and, when the person
// confirms, writes the result back into that field. One calculator at a
// time: asking for a second one only beeps.
#pragma once

#include <QPointer>
#include <QString>
#include <map>

#include "CalculatCore.h"
#include "OrnForma.h"

class QAction;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class TOrnBitBtn;
class TOrnLabel;

class TFormCalcul : public TOrnForm {
  Q_OBJECT

 public:
  explicit TFormCalcul(QWidget* parent = nullptr);
  ~TFormCalcul() override;

  void FormCreate() override;
  // Transfer on or off, the entry taken from the display; run before showing.
  void FormShow();

  // Button handlers, named after their buttons.
  void DigitClick(char digit);  // Btn0Click ... Btn9Click
  void Btn0Click() { DigitClick('0'); }
  void BtnZptClick();
  void BtnZnClick();
  void BtnDClick() { OperatorClick("/"); }
  void BtnMultClick() { OperatorClick("*"); }
  void BtnMinusClick() { OperatorClick("-"); }
  void BtnPlusClick() { OperatorClick("+"); }
  void BtnEqlClick() { OperatorClick("="); }
  void BtnProcClick();
  void BtnObrClick();
  void BtnSqrtClick();
  void BtnBackClick();
  void BtnCEClick();
  void BtnCClick();
  void BtnMCClick();
  void BtnMRClick();
  void BtnMSClick();
  void BtnMPlusClick();
  // Transfer the result and close (BtnCopy, the Insert key, the menu).
  void ParnestlaukClick();
  void Iziet1Click();
  void KoptCtrlC1Click();
  void IeliktCtrlV1Click();
  // The keyboard table; true when the key was the calculator's.
  bool FormKeyDown(QKeyEvent* event);

  // Starts from `display` (the caller's text); `startGiven` as the opener said.
  void SetStart(const QString& display, bool startGiven, bool transferAllowed);
  bool TransferAllowed() const { return transferAllowed_; }
  const orn::CalculatorMachine& Machine() const { return machine_; }

  // The open calculator, if any.
  static TFormCalcul* Current();
  // Beeps, counted for those who check that a key was refused.
  static void Beep();
  static int BeepCount();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OperatorClick(const std::string& op);
  void ShowState();
  void FocusButton(const char* name);
  TOrnBitBtn* Key(const char* name, const QString& caption, const QString& hint = QString());

  orn::CalculatorMachine machine_;
  bool transferAllowed_ = true;
  std::map<std::string, TOrnBitBtn*> buttons_;
  QLabel* lblDisp_ = nullptr;
  QLabel* lblB_ = nullptr;
  QLabel* imgZn_ = nullptr;
  QLabel* lblMem_ = nullptr;
  TOrnLabel* lblMemText_ = nullptr;
  QGroupBox* memGroup_ = nullptr;
  QLineEdit* editClipboard_ = nullptr;
  TOrnBitBtn* btnCopy_ = nullptr;
  QAction* parnestlauk_ = nullptr;
};

// Opens the calculator modally over `form`'s focused control and writes the
// result back into it when the person confirms. `startText` "nil" means no
// start value (Ctrl+K). A second call while a calculator is open beeps.
void OpenCalculator(TOrnForm& form, const QString& startText);

namespace orn {
// Makes Ctrl+K in every window open the calculator; the program calls it once.
void InstallCalculator();
}  // namespace orn
