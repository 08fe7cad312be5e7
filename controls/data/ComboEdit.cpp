#include "ComboEdit.h"

#include <QFocusEvent>
#include <QStyle>

#include "ComboAccessible.h"

TComboEdit::TComboEdit(QWidget* parent) : TOrnEdit(parent), button_(new QToolButton(this)) {
  orn::InstallComboAccessibility();
  button_->setObjectName(QStringLiteral("qt_combo_button"));
  button_->setArrowType(Qt::DownArrow);
  button_->setCursor(Qt::ArrowCursor);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setAccessibleName(QStringLiteral("Open list"));
  connect(button_, &QToolButton::clicked, this, &TComboEdit::ButtonClick);
}

void TComboEdit::resizeEvent(QResizeEvent* event) {
  TOrnEdit::resizeEvent(event);
  const int side = height() - 4;
  button_->setGeometry(width() - side - 2, 2, side, side);
  setTextMargins(0, 0, side + 2, 0);
}

DataFieldEditor::DataFieldEditor(QLineEdit* edit) : QObject(edit), edit_(edit), link_(new TFieldDataLink(this)) {
  connect(link_, &TFieldDataLink::DataChanged, this, &DataFieldEditor::Refresh);
}

void DataFieldEditor::Refresh() {
  if (!link_->Active()) return;
  const QString text = link_->Text();
  if (edit_->text() != text) edit_->setText(text);
  edit_->setModified(false);
}

bool DataFieldEditor::Commit() {
  if (!link_->Active()) return true;
  if (edit_->text() == link_->Text()) return true;
  const bool stored = link_->Store(edit_->text(), orn::OwnerCaption(edit_));
  Refresh();
  return stored;
}

TDBComboEdit::TDBComboEdit(QWidget* parent) : TComboEdit(parent), editor_(new DataFieldEditor(this)) {}

void TDBComboEdit::focusOutEvent(QFocusEvent* event) {
  TComboEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) editor_->Commit();
}

TDBEdit::TDBEdit(QWidget* parent) : TOrnEdit(parent), editor_(new DataFieldEditor(this)) {}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
  TOrnEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) editor_->Commit();
}

namespace orn {

QString OwnerCaption(const QWidget* control) {
  const QWidget* window = control ? control->window() : nullptr;
  return window ? window->windowTitle() : QString();
}

}  // namespace orn
