#include "ComboAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>
#include <QPointer>
#include <QWindow>
#include <vector>

#include "ComboEdit.h"
#include "ComboList.h"
#include "OrnAccessible.h"

namespace orn {

namespace {

ComboList* ListOf(const QLineEdit* edit) { return edit ? edit->findChild<ComboList*>() : nullptr; }

// One item of the list: a list item named by its text.
class ComboItemAccessible : public PaintedItemAccessible {
 public:
  ComboItemAccessible(QLineEdit* edit, QAccessibleInterface* list, int index)
      : edit_(edit), list_(list), index_(index) {}

  bool isValid() const override { return edit_ && ListOf(edit_) && index_ < ListOf(edit_)->Items().size(); }
  QWindow* window() const override { return edit_ ? edit_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return list_; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return {};
    return ListOf(edit_)->Items().at(index_);
  }
  QRect rect() const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.selectable = true;
    s.selected = isValid() && ListOf(edit_)->ItemIndex() == index_;
    s.invisible = !isValid() || !ListOf(edit_)->DroppedDown();
    return s;
  }

 private:
  QPointer<QLineEdit> edit_;
  QAccessibleInterface* list_;
  int index_;
};

// The list of items, whether or not the drop-down window is open; its items
// are made once each and belong to the accessibility cache.
class ComboItemsAccessible : public QAccessibleInterface {
 public:
  ComboItemsAccessible(QLineEdit* edit, QAccessibleInterface* combo) : edit_(edit), combo_(combo) {}
  ~ComboItemsAccessible() override {
    for (QAccessible::Id id : items_) QAccessible::deleteAccessibleInterface(id);
  }

  bool isValid() const override { return edit_ && ListOf(edit_); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return edit_ ? edit_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return combo_; }
  int childCount() const override { return isValid() ? static_cast<int>(ListOf(edit_)->Items().size()) : 0; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    while (static_cast<int>(items_.size()) <= index) {
      auto* item =
          new ComboItemAccessible(edit_, const_cast<ComboItemsAccessible*>(this), static_cast<int>(items_.size()));
      items_.push_back(QAccessible::registerAccessibleInterface(item));
    }
    return QAccessible::accessibleInterface(items_[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (size_t i = 0; i < items_.size(); ++i)
      if (QAccessible::accessibleInterface(items_[i]) == child) return static_cast<int>(i);
    return -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  // The list is called as its combo box is.
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && combo_ ? combo_->text(QAccessible::Name) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::List; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !isValid() || !ListOf(edit_)->DroppedDown();
    return s;
  }

 private:
  QPointer<QLineEdit> edit_;
  QAccessibleInterface* combo_;
  mutable std::vector<QAccessible::Id> items_;
};

class ComboAccessible : public QAccessibleWidget,
                        public QAccessibleTextInterface,
                        public QAccessibleEditableTextInterface {
 public:
  explicit ComboAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("textChanged(QString)"));
  }
  ~ComboAccessible() override {
    if (listId_) QAccessible::deleteAccessibleInterface(listId_);
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface && !Edit()->isReadOnly())
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    if (index != 0) return nullptr;
    if (!listId_)
      listId_ = QAccessible::registerAccessibleInterface(
          new ComboItemsAccessible(Edit(), const_cast<ComboAccessible*>(this)));
    return QAccessible::accessibleInterface(listId_);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return listId_ && QAccessible::accessibleInterface(listId_) == child ? 0 : -1;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Edit()->text();
    return QAccessibleWidget::text(t);
  }
  void setText(QAccessible::Text t, const QString& text) override {
    if (t == QAccessible::Value && !Edit()->isReadOnly()) Edit()->setText(text);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    ComboList* list = ListOf(Edit());
    s.expandable = true;
    s.expanded = list && list->DroppedDown();
    s.editable = !Edit()->isReadOnly();
    s.readOnly = Edit()->isReadOnly();
    s.hasPopup = true;
    s.focusable = true;
    s.focused = Edit()->hasFocus();
    return s;
  }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& name) override {
    if (name != showMenuAction() && name != pressAction()) return;
    if (ComboList* list = ListOf(Edit())) list->DroppedDown() ? list->CloseUp() : list->DropDown();
  }

  // QAccessibleTextInterface, over the edit.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Edit()->hasSelectedText()) return;
    *start = Edit()->selectionStart();
    *end = *start + static_cast<int>(Edit()->selectedText().size());
  }
  int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { Edit()->setSelection(start, end - start); }
  void removeSelection(int) override { Edit()->deselect(); }
  void setSelection(int, int start, int end) override { Edit()->setSelection(start, end - start); }
  int cursorPosition() const override { return Edit()->cursorPosition(); }
  void setCursorPosition(int position) override { Edit()->setCursorPosition(position); }
  QString text(int start, int end) const override { return Edit()->text().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Edit()->text().size()); }
  QRect characterRect(int offset) const override {
    const QFontMetrics metrics(Edit()->font());
    const QString text = Edit()->text();
    const int x = metrics.horizontalAdvance(text.left(offset));
    const int w = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
    const QPoint origin = Edit()->mapToGlobal(QPoint(Edit()->contentsRect().left() + 2, 0));
    return QRect(origin.x() + x, origin.y(), w, Edit()->height());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

  // QAccessibleEditableTextInterface.
  void deleteText(int start, int end) override { replaceText(start, end, QString()); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    QString value = Edit()->text();
    value.replace(start, end - start, text);
    Edit()->setText(value);
  }

 private:
  QLineEdit* Edit() const { return static_cast<QLineEdit*>(widget()); }

  mutable QAccessible::Id listId_ = 0;
};

QAccessibleInterface* ComboFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("TComboEdit")) return nullptr;
  auto* edit = qobject_cast<QLineEdit*>(object);
  return edit ? new ComboAccessible(edit) : nullptr;
}

}  // namespace

void InstallComboAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(ComboFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace orn
