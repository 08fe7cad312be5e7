// TOrnForm, the base of the program's windows. Creating the first window
// loads the framework settings (Params.ini) and the language dictionary for
// the whole process and makes that window their owner; destroying the owner
// writes the settings when they were incomplete and releases the shared
// state. Every window also gets Enter moving the focus like Tab, Ctrl+K for
// the calculator, column fitting for its data grids and a gradient caption.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "FrameworkState.h"

class GradCaption;

class TOrnForm : public QDialog {
  Q_OBJECT
  Q_PROPERTY(QString LanguageIni READ LanguageIni WRITE SetLanguageIni)
  Q_PROPERTY(bool EnterToTab READ EnterToTab WRITE SetEnterToTab)

 public:
  explicit TOrnForm(QWidget* parent = nullptr);
  ~TOrnForm() override;

  QString LanguageIni() const { return languageIni_; }
  void SetLanguageIni(const QString& path) { languageIni_ = path; }
  bool EnterToTab() const { return enterToTab_; }
  void SetEnterToTab(bool on) { enterToTab_ = on; }

  // The base creation step; derived windows call it first (more than once
  // is harmless: what the window owns stays owned).
  virtual void FormCreate();
  // Releases what this window owns; run once, at the latest by the destructor.
  virtual void FormDestroy();
  // Fits the columns of every fittable data grid to its width.
  void FormResize();
  void PaintTitle() {}

  // Run-time translation and fonts (OrnFormLanguage.cpp).
  virtual void ApplyFontSettings();
  virtual void ChangeLanguage();
  virtual void ChangeCompFont();
  virtual void ReloadCharSets();
  virtual void SaveCompToINI();

  // Settings file of the window: "Params.ini" in the current directory, or in
  // the user's settings folder when the current directory cannot hold it.
  const std::string& ParamsFile() const { return paramsFile_; }
  const orn::FrameworkOwnership& Ownership() const { return ownership_; }

  GradCaption* GradientCaption() const { return gradCaption_; }

  // Opens the calculator for a window (Ctrl+K); set by the calculator.
  static std::function<void(TOrnForm&)>& CalculatorHook();
  // Whether Ctrl+K opens the calculator here; the message windows say no.
  bool CalculatorKey() const { return calculatorKey_; }
  void SetCalculatorKey(bool on) { calculatorKey_ = on; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool HandleKey(QWidget* target, QKeyEvent* key);
  bool EnterStaysIn(QWidget* focus) const;

  QString languageIni_;
  bool enterToTab_ = false;
  bool calculatorKey_ = true;
  std::string paramsFile_ = "Params.ini";
  orn::FrameworkOwnership ownership_;
  bool destroyed_ = false;
  GradCaption* gradCaption_ = nullptr;
};

namespace orn {
// Places `window` at the centre of the window `over` belongs to, or of the
// screen while that window is not shown (a window that is still being set
// up has no place yet).
void CentreOn(QWidget* window, const QWidget* over);
}  // namespace orn
