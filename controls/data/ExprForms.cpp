#include "ExprForms.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "DataSet.h"
#include "Evaluator.h"
#include "SourceList.h"

namespace orn {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QWidget* MainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("MainForm")) return w;
  return nullptr;
}

QMdiArea* MdiArea() {
  auto* main = qobject_cast<QMainWindow*>(MainWindow());
  return main ? qobject_cast<QMdiArea*>(main->centralWidget()) : nullptr;
}

}  // namespace

std::string WidgetExprForm::Name() const { return window_ ? window_->objectName().toStdString() : std::string(); }

const ExprDataset* WidgetExprForm::FindDataset(const std::string& component) const {
  if (!window_) return nullptr;
  for (TTable* table : window_->findChildren<TTable*>())
    if (table->objectName().compare(Q(component), Qt::CaseInsensitive) == 0) return table->ExprData();
  return nullptr;
}

bool QtExprHost::MainFormIsMdiFrame() const { return MdiArea() != nullptr; }

ExprForm* QtExprHost::ActiveMdiChild() const {
  QMdiArea* area = MdiArea();
  QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
  return sub && sub->widget() ? FormOf(sub->widget()) : nullptr;
}

ExprForm* QtExprHost::FindMdiChild(const std::string& name) const {
  QMdiArea* area = MdiArea();
  if (!area) return nullptr;
  for (QMdiSubWindow* sub : area->subWindowList())
    if (sub->widget() && sub->widget()->objectName().compare(Q(name), Qt::CaseInsensitive) == 0)
      return FormOf(sub->widget());
  return nullptr;
}

ExprForm* QtExprHost::FindApplicationComponent(const std::string& name) const {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (!w->objectName().isEmpty() && w->objectName().compare(Q(name), Qt::CaseInsensitive) == 0) return FormOf(w);
  return nullptr;
}

bool QtExprHost::HasApplicationComponent(const std::string& name) const {
  return FindApplicationComponent(name) != nullptr;
}

ExprForm* QtExprHost::FormOf(QWidget* window) const {
  if (!window) return nullptr;
  auto it = forms_.find(window);
  if (it == forms_.end()) {
    it = forms_.insert(window, std::make_shared<WidgetExprForm>(window));
    QObject::connect(window, &QObject::destroyed, [this, window] { forms_.remove(window); });
  }
  return it.value().get();
}

QtExprHost* InstallQtExprHost() {
  static QtExprHost host;
  if (CurrentExprHost() == nullptr) SetExprHost(&host);
  return &host;
}

ExprForm* ExprFormOf(const QWidget* control) {
  if (!control) return nullptr;
  return InstallQtExprHost()->FormOf(control->window());
}

}  // namespace orn
