#include "OrnAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QWindow>
#include <vector>

#include "OrnCheckBox.h"
#include "OrnRadioButton.h"
#include "OrnRadioGroup.h"

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

const char* const kRoleProperty = "ornAccessibleRole";
const char* const kReadOnlyTextProperty = "ornReadOnlyText";

// A widget that plays another part than its class: a window, a page tab, a
// status bar. A button keeps its press; a checked page tab is the selected one.
class RoleAccessible : public QAccessibleWidget {
 public:
  RoleAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {
    if (qobject_cast<QAbstractButton*>(widget)) addControllingSignal(QStringLiteral("clicked(bool)"));
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      if (auto* button = qobject_cast<QAbstractButton*>(widget())) return QString(button->text()).remove('&');
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty() && widget()->isWindow())
      return widget()->windowTitle();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (auto* button = qobject_cast<QAbstractButton*>(widget())) {
      s.focusable = button->focusPolicy() != Qt::NoFocus;
      if (role() == QAccessible::PageTab) {
        s.selectable = true;
        s.selected = button->isChecked();
      } else if (button->isCheckable()) {
        s.checkable = true;
        s.checked = button->isChecked();
      }
    }
    if (widget()->isWindow()) s.active = widget()->isActiveWindow();
    return s;
  }

  QStringList actionNames() const override {
    if (qobject_cast<QAbstractButton*>(widget())) return {pressAction()};
    return QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (auto* button = qobject_cast<QAbstractButton*>(widget()); button && name == pressAction()) {
      button->click();
      return;
    }
    QAccessibleWidget::doAction(name);
  }
};

// A label that shows a changing value: read-only text whose content is the
// value (trimmed of the blank that stands for a plus sign), under a name of
// its own.
class ReadOnlyTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ReadOnlyTextAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Content();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = false;
    return s;
  }

  // The text interface: the whole value, no selection, the cursor at its end.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return static_cast<int>(Content().size()); }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return Content().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Content().size()); }
  QRect characterRect(int) const override { return rect(); }
  int offsetAtPoint(const QPoint&) const override { return 0; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  QString Content() const {
    auto* label = qobject_cast<QLabel*>(widget());
    return label ? label->text().trimmed() : QString();
  }
};

// One item of a radio group, which the group paints itself: a radio button
// named by its text, checked when it is the group's item, chosen by its
// action as by a click.
class RadioItemAccessible : public orn::PaintedItemAccessible, public QAccessibleActionInterface {
 public:
  RadioItemAccessible(TOrnRadioGroup* group, int index) : group_(group), index_(index) {}

  bool isValid() const override { return group_ && index_ < group_->Items().size(); }
  QWindow* window() const override { return group_ ? group_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(group_); }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && isValid() ? QString(group_->Items().at(index_)).remove('&') : QString();
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const TOrnRadioGroupGeometry g = group_->Geometry();
    const QPoint cell = g.Cell(index_) + QPoint(0, g.textHeight / 2);
    return QRect(group_->mapToGlobal(cell), QSize(g.columnWidth, g.textHeight + 4));
  }
  QAccessible::Role role() const override { return QAccessible::RadioButton; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.checkable = true;
    s.checked = isValid() && group_->ItemIndex() == index_;
    s.focusable = true;
    s.focused = s.checked && group_->hasFocus();
    s.disabled = !group_ || !group_->isEnabled();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
  void doAction(const QString&) override {
    if (!isValid() || !group_->isEnabled()) return;
    group_->SetItemIndex(index_);
    emit group_->Clicked();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<TOrnRadioGroup> group_;
  int index_;
};

// The radio group: a grouping named by its caption whose items are radio
// buttons, made once each and kept by the accessibility cache.
class RadioGroupAccessible : public QAccessibleWidget {
 public:
  explicit RadioGroupAccessible(TOrnRadioGroup* group) : QAccessibleWidget(group, QAccessible::Grouping) {}
  ~RadioGroupAccessible() override {
    for (QAccessible::Id id : items_) QAccessible::deleteAccessibleInterface(id);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Group()->title().remove('&');
    if (t == QAccessible::Value && Group()->ItemIndex() >= 0 && Group()->ItemIndex() < Group()->Items().size())
      return Group()->Items().at(Group()->ItemIndex());
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return static_cast<int>(Group()->Items().size()); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    while (static_cast<int>(items_.size()) <= index)
      items_.push_back(
          QAccessible::registerAccessibleInterface(new RadioItemAccessible(Group(), static_cast<int>(items_.size()))));
    return QAccessible::accessibleInterface(items_[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (size_t i = 0; i < items_.size(); ++i)
      if (QAccessible::accessibleInterface(items_[i]) == child) return static_cast<int>(i);
    return -1;
  }

 private:
  TOrnRadioGroup* Group() const { return static_cast<TOrnRadioGroup*>(widget()); }
  mutable std::vector<QAccessible::Id> items_;
};

QAccessibleInterface* OrnFactory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  // Asked first with the most derived class name: a part given to the
  // widget itself wins over its class.
  if (const QVariant role = widget->property(kRoleProperty); role.isValid())
    return new RoleAccessible(widget, static_cast<QAccessible::Role>(role.toInt()));
  if (widget->property(kReadOnlyTextProperty).toBool()) return new ReadOnlyTextAccessible(widget);
  // A plain frame groups what it holds; a line separates.
  if (className == QLatin1String("QFrame")) {
    const auto shape = static_cast<QFrame*>(widget)->frameShape();
    return new QAccessibleWidget(
        widget, shape == QFrame::HLine || shape == QFrame::VLine ? QAccessible::Separator : QAccessible::Grouping);
  }
  if (className == QLatin1String("QWidget") && widget->isWindow())
    return new RoleAccessible(widget, QAccessible::Window);
  if (className == QLatin1String("TOrnRadioGroup"))
    return new RadioGroupAccessible(static_cast<TOrnRadioGroup*>(widget));
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

namespace {
// An interface made before the widget was given its part (a screen reader
// asked, or a change of its text was announced, which makes one even with
// no screen reader) would keep the class's own role: it is dropped, and the
// next question makes the right one.
void ForgetInterface(QWidget* widget) {
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
}  // namespace

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
  InstallOrnAccessibility();
  widget->setProperty(kRoleProperty, static_cast<int>(role));
  ForgetInterface(widget);
}

void SetReadOnlyText(QWidget* label) {
  InstallOrnAccessibility();
  label->setProperty(kReadOnlyTextProperty, true);
  ForgetInterface(label);
}

void AnnounceTextChange(QWidget* label, const QString& oldText, const QString& newText) {
  if (!QAccessible::isActive() || oldText == newText) return;
  QAccessibleTextUpdateEvent update(label, 0, oldText.trimmed(), newText.trimmed());
  QAccessible::updateAccessibility(&update);
  QAccessibleValueChangeEvent value(label, newText.trimmed());
  QAccessible::updateAccessibility(&value);
}

}  // namespace orn
