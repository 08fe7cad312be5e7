#include "OrnAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>

#include "OrnCheckBox.h"
#include "OrnRadioButton.h"

namespace {

// One interface for the panel and for its focus holder: both stand for the
// whole control, so that the name and state are the same wherever the
// screen reader looks.
class ChoiceAccessible : public QAccessibleWidget {
 public:
  ChoiceAccessible(QWidget* widget, QWidget* control, QAccessible::Role role)
      : QAccessibleWidget(widget, role), control_(control) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      const QString own = widget()->accessibleName();
      return own.isEmpty() ? QString(Caption()).remove(QLatin1Char('&')) : own;
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = Checked();
    s.focusable = true;
    s.focused = Focus() && Focus()->hasFocus();
    s.disabled = !control_->isEnabled();
    return s;
  }

  // The parts are drawn, not separate things to read.
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }

  QStringList actionNames() const override { return {toggleAction(), pressAction()}; }
  void doAction(const QString& name) override {
    if (name != toggleAction() && name != pressAction()) return;
    if (auto* box = qobject_cast<TOrnCheckBox*>(control_)) {
      box->Box()->click();
    } else if (auto* radio = qobject_cast<TOrnRadioButton*>(control_)) {
      radio->FocusHolder()->click();
    }
  }

 private:
  QString Caption() const {
    if (auto* box = qobject_cast<TOrnCheckBox*>(control_)) return box->Caption();
    if (auto* radio = qobject_cast<TOrnRadioButton*>(control_)) return radio->Caption();
    return {};
  }
  bool Checked() const {
    if (auto* box = qobject_cast<TOrnCheckBox*>(control_)) return box->Checked();
    if (auto* radio = qobject_cast<TOrnRadioButton*>(control_)) return radio->Checked();
    return false;
  }
  QWidget* Focus() const {
    if (auto* box = qobject_cast<TOrnCheckBox*>(control_)) return box->Box();
    if (auto* radio = qobject_cast<TOrnRadioButton*>(control_)) return radio->FocusHolder();
    return nullptr;
  }

  QWidget* control_;
};

QAccessibleInterface* OrnFactory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  if (className == QLatin1String("TOrnCheckBox")) return new ChoiceAccessible(widget, widget, QAccessible::CheckBox);
  if (className == QLatin1String("TOrnRadioButton"))
    return new ChoiceAccessible(widget, widget, QAccessible::RadioButton);
  // The native parts that hold the keyboard focus speak for their control.
  if (className == QLatin1String("QCheckBox") && widget->parentWidget()) {
    QWidget* owner = widget->parentWidget();
    if (qobject_cast<TOrnCheckBox*>(owner)) return new ChoiceAccessible(widget, owner, QAccessible::CheckBox);
    if (qobject_cast<TOrnRadioButton*>(owner)) return new ChoiceAccessible(widget, owner, QAccessible::RadioButton);
  }
  return nullptr;
}

}  // namespace

namespace orn {

void InstallOrnAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(OrnFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace orn
