#include "LangComponents.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QVariant>
#include <QWidget>

#include "TextLookups.h"

namespace orn {

namespace {

// Controls whose children are their own parts, not components of the window.
bool IsSealed(const QObject* object) {
  static const char* const kSealed[] = {
      "QAbstractButton",   "QLabel",          "QLineEdit",    "QComboBox",       "QAbstractSpinBox",
      "QAbstractItemView", "QTabBar",         "QMenuBar",     "QMenu",           "QFileDialog",
      "QPlainTextEdit",    "QTextEdit",       "TOrnCheckBox", "TOrnRadioButton", "TOrnRadioGroup",
      "TOrnTabControl",    "TOrnLookupCombo", "TOrnLookList", "GradCaption"};
  for (const char* name : kSealed)
    if (object->inherits(name)) return true;
  return false;
}

// Another window placed under this one (a dialog created with this window as
// parent) owns its own components; popup menus and file dialogs are the
// window's own.
bool IsOtherWindow(const QObject* object) {
  if (!object->isWidgetType()) return false;
  const auto* widget = static_cast<const QWidget*>(object);
  return widget->isWindow() && !object->inherits("QMenu") && !object->inherits("QFileDialog");
}

void Walk(QObject* parent, QList<QObject*>& out) {
  for (QObject* child : parent->children()) {
    if (IsOtherWindow(child)) continue;
    const QString name = child->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) out.append(child);
    if (!IsSealed(child)) Walk(child, out);
  }
}

}  // namespace

QList<QObject*> OwnedComponents(QWidget* form) {
  QList<QObject*> out;
  Walk(form, out);
  return out;
}

std::string TextOf(TextKind kind, const std::string& key) {
  switch (kind) {
    case TextKind::Label:
      return LabelText(key);
    case TextKind::Edit:
      return EditText(key);
    case TextKind::System:
      return SystemText(key);
    case TextKind::Help:
      return HelpText(key);
    case TextKind::Print:
      return PrintText(key);
  }
  return {};
}

TextKind LoadAsKind(const QObject* control, TextKind fallback) {
  const QVariant v = control->property("LoadAs");
  if (!v.isValid()) return fallback;
  bool ok = false;
  const int value = v.toInt(&ok);
  if (!ok || value < 0 || value > 2) return fallback;
  return static_cast<TextKind>(value);
}

QString CaptionOf(const QObject* control) {
  const QVariant caption = control->property("Caption");
  if (caption.isValid()) return caption.toString();
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  if (auto* action = qobject_cast<const QAction*>(control)) return action->text();
  if (control->isWidgetType()) {
    auto* widget = static_cast<const QWidget*>(control);
    if (widget->isWindow()) return widget->windowTitle();
  }
  return {};
}

void SetCaptionOf(QObject* control, const QString& text) {
  if (control->property("Caption").isValid()) {
    control->setProperty("Caption", text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (auto* action = qobject_cast<QAction*>(control)) {
    action->setText(text);
  } else if (control->isWidgetType()) {
    static_cast<QWidget*>(control)->setWindowTitle(text);
  }
}

// Windows of this program keep a status-bar hint in the dynamic property
// "hint" where a tool tip would be in the way; elsewhere the hint is the
// tool tip.
QString HintOf(const QObject* control) {
  const QVariant hint = control->property("hint");
  if (hint.isValid()) return hint.toString();
  if (control->isWidgetType()) return static_cast<const QWidget*>(control)->toolTip();
  return {};
}

void SetHintOf(QObject* control, const QString& text) {
  if (control->property("hint").isValid()) {
    control->setProperty("hint", text);
  } else if (control->isWidgetType()) {
    static_cast<QWidget*>(control)->setToolTip(text);
  }
}

bool IsBlank(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}
bool IsBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace orn
