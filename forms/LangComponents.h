// The components of a window as the language and font passes see them, and
// the accessors that let one table of rows treat Qt's standard widgets and
// the in-house controls alike. A row names its class; rows are matched with
// QObject::inherits, so the in-house classes are found by name without the
// form base having to link them, and a class added later adds a row.
#pragma once

#include <QList>
#include <QString>
#include <string>

class QObject;
class QWidget;

namespace orn {

// The components a window owns, in component order: named descendants in
// creation order (depth first). Qt's own parts ("qt_" names), the inner parts
// of compound controls and the components of other windows are left out.
QList<QObject*> OwnedComponents(QWidget* form);

// The language kind of a control's texts (TLoadAs / TCharSetStyle3 order).
enum class TextKind { Label = 0, Edit = 1, System = 2, Help = 3, Print = 4 };

// Lookup of `key` for `kind` over the process-wide dictionary (UTF-8).
std::string TextOf(TextKind kind, const std::string& key);
// The control's LoadAs when it has one, otherwise `fallback`.
TextKind LoadAsKind(const QObject* control, TextKind fallback = TextKind::Label);

// Caption and hint of a control, whatever its class keeps them in.
QString CaptionOf(const QObject* control);
void SetCaptionOf(QObject* control, const QString& text);
QString HintOf(const QObject* control);
void SetHintOf(QObject* control, const QString& text);

// A translation only counts when it is not blank; it is applied untrimmed.
bool IsBlank(const std::string& text);
bool IsBlank(const QString& text);

}  // namespace orn
