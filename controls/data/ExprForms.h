// The evaluator's view of the windows: a window is a form whose dataset
// components are its TTable children found by name, and the application's
// components are its top-level windows (or, with an MDI main window, the
// MDI children). Installing QtExprHost lets "KONTI.Summa" in a filter read
// the form's table, and "Form.KONTI.Summa" another open window's.
#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "ExprData.h"

namespace orn {

class WidgetExprForm : public ExprForm {
 public:
  explicit WidgetExprForm(QWidget* window) : window_(window) {}
  std::string Name() const override;
  const ExprDataset* FindDataset(const std::string& component) const override;
  QWidget* Window() const { return window_; }

 private:
  QPointer<QWidget> window_;
};

class QtExprHost : public ExprHost {
 public:
  bool MainFormIsMdiFrame() const override;
  ExprForm* ActiveMdiChild() const override;
  ExprForm* FindMdiChild(const std::string& name) const override;
  ExprForm* FindApplicationComponent(const std::string& name) const override;
  bool HasApplicationComponent(const std::string& name) const override;

  // The form of a window, kept while the window lives.
  ExprForm* FormOf(QWidget* window) const;

 private:
  mutable QHash<QWidget*, std::shared_ptr<WidgetExprForm>> forms_;
};

// Installs one QtExprHost for the process (idempotent) and returns it.
QtExprHost* InstallQtExprHost();

}  // namespace orn
