#include "OrnComboBoxes.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>

namespace {

// The parts of the two single combo boxes that are alike: the button opens
// the list, the list's choice and closing become the control's events.
template <class Control>
orn::ComboList* AttachList(Control* control) {
  auto* list = new orn::ComboList(control);
  QObject::connect(control, &TComboEdit::ButtonClick, list, &orn::ComboList::DropDown);
  QObject::connect(list, &orn::ComboList::DroppedDownSignal, control, &Control::OnDropDown);
  QObject::connect(list, &orn::ComboList::ClosedUp, control, &Control::OnCloseUp);
  return list;
}

void ShowMenu(QMenu* menu, QContextMenuEvent* event) {
  if (menu) menu->exec(event->globalPos());
}

}  // namespace

// --- TOrnSingleComboBox ------------------------------------------------------

TOrnSingleComboBox::TOrnSingleComboBox(QWidget* parent) : TComboEdit(parent), list_(AttachList(this)) {}

void TOrnSingleComboBox::keyPressEvent(QKeyEvent* event) {
  if (!list_->KeyPress(event)) TComboEdit::keyPressEvent(event);
}

void TOrnSingleComboBox::keyReleaseEvent(QKeyEvent* event) {
  TComboEdit::keyReleaseEvent(event);
  list_->KeyRelease(event);
}

void TOrnSingleComboBox::focusOutEvent(QFocusEvent* event) {
  TComboEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) list_->CloseUp();
}

void TOrnSingleComboBox::resizeEvent(QResizeEvent* event) {
  TComboEdit::resizeEvent(event);
  list_->RecomputeWidth();
}

// --- TOrnComboBox ----------------------------------------------------------------

TOrnComboBox::TOrnComboBox(QWidget* parent) : TOrnSingleComboBox(parent), source_(new orn::ComboSource(this)) {}

void TOrnComboBox::Loaded() {
  QStringList items = Items();
  source_->Load(items, nullptr, alFromTable_ ? alFromTable_->DatabaseName() : QString());
  SetItems(items);
  raise();
}

void TOrnComboBox::Add() {
  QStringList items = Items();
  if (source_->Add(text(), items)) SetItems(items);
}

void TOrnComboBox::Edit() {
  source_->Edit(Items(), [this](const QStringList& lines) {
    SetItems(lines);
    source_->Save(lines);
  });
}

void TOrnComboBox::mouseDoubleClickEvent(QMouseEvent* event) {
  TOrnSingleComboBox::mouseDoubleClickEvent(event);
  if (source_->Usable() && !text().isEmpty() && !orn::ContainsItem(Items(), text()) &&
      orn::AskComboQuestion(this, source_->Messages(), QStringLiteral("ORNCBAddStringToList")))
    Add();
}

void TOrnComboBox::contextMenuEvent(QContextMenuEvent* event) {
  if (!ShowPopupMenu()) return TOrnSingleComboBox::contextMenuEvent(event);
  ShowMenu(source_->PopupMenu([this] { Add(); }, [this] { Edit(); }), event);
}

// --- TOrnSingleDBComboBox ------------------------------------------------------------

TOrnSingleDBComboBox::TOrnSingleDBComboBox(QWidget* parent) : TDBComboEdit(parent), list_(AttachList(this)) {
  // A chosen item goes to the field at once, as typing and leaving would.
  connect(list_, &orn::ComboList::ItemChosen, this, [this] { UpdateRecord(); });
}

void TOrnSingleDBComboBox::keyPressEvent(QKeyEvent* event) {
  if (!list_->KeyPress(event)) TDBComboEdit::keyPressEvent(event);
}

void TOrnSingleDBComboBox::keyReleaseEvent(QKeyEvent* event) {
  TDBComboEdit::keyReleaseEvent(event);
  list_->KeyRelease(event);
}

void TOrnSingleDBComboBox::focusOutEvent(QFocusEvent* event) {
  TDBComboEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) list_->CloseUp();
}

void TOrnSingleDBComboBox::resizeEvent(QResizeEvent* event) {
  TDBComboEdit::resizeEvent(event);
  list_->RecomputeWidth();
}

// --- TOrnDBNComboBox ---------------------------------------------------------------------

TOrnDBNComboBox::TOrnDBNComboBox(QWidget* parent) : TOrnSingleDBComboBox(parent), source_(new orn::ComboSource(this)) {}

void TOrnDBNComboBox::Loaded() {
  if (Style() == OrnData::csOwnerDrawFixed || Style() == OrnData::csOwnerDrawVariable)
    orn::ShowComboMessage(this, source_->Messages(), QStringLiteral("ORNCBStylePropertyError"));
  QStringList items = Items();
  TTable* table = DataSet();
  source_->Load(items, &fullList_, table ? table->DatabaseName() : QString());
  SetItems(items);
  raise();
}

void TOrnDBNComboBox::SetFiltered(bool on) {
  filtered_ = on;
  SetItems(on ? orn::FilterItemsAsValue(fullList_, Filter()) : fullList_);
}

void TOrnDBNComboBox::Add() {
  QStringList items = Items();
  if (!source_->Add(text(), items)) return;
  SetItems(items);
  if (!orn::ContainsItem(fullList_, text())) fullList_ << text();
}

void TOrnDBNComboBox::Edit() {
  source_->Edit(Items(), [this](const QStringList& lines) {
    SetItems(lines);
    fullList_ = lines;
    source_->Save(lines);
  });
}

void TOrnDBNComboBox::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (List()->DroppedDown() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
    if (key != Qt::Key_Escape) closingKey_ = key;
    List()->CloseUp();
    return;
  }
  TOrnSingleDBComboBox::keyPressEvent(event);
}

void TOrnDBNComboBox::contextMenuEvent(QContextMenuEvent* event) {
  if (!ShowPopupMenu()) return TOrnSingleDBComboBox::contextMenuEvent(event);
  ShowMenu(source_->PopupMenu([this] { Add(); }, [this] { Edit(); }), event);
}
