// What the plain and the data-aware combo boxes share: the item list with
// its current index, keyboard selection and type-ahead completion, and the
// own drop-down window (a borderless window holding a TOrnListBox) with its
// size and placement rules.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <optional>

#include "SourceList.h"

class QKeyEvent;
class QLineEdit;
class TOrnListBox;

namespace orn {

// The drop-down window's place on the screen. `control` is the control's
// client rectangle in screen coordinates.
struct DropDownInput {
  QRect control;
  QRect screen;
  int itemCount = 0;
  int itemHeight = 16;
  int dropDownCount = 8;
  int listTextWidth = 0;
};
QRect DropDownGeometry(const DropDownInput& in);

// Type-ahead: the first item longer than `text` that begins with it (exact
// letter case), or nothing.
std::optional<QString> CompletionFor(const QString& text, const QStringList& items);

// The drop-down window: Enter or a click takes the item, Esc or losing the
// activation closes it without a choice.
class DropDownWindow : public QFrame {
  Q_OBJECT
 public:
  explicit DropDownWindow(QWidget* owner);
  TOrnListBox* List() const { return list_; }

 signals:
  void Chosen(int index);
  void Closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TOrnListBox* list_;
};

// The combo behaviour attached to an edit.
class ComboList : public QObject {
  Q_OBJECT
 public:
  explicit ComboList(QLineEdit* edit);

  QStringList Items() const { return items_; }
  void SetItems(const QStringList& items);
  int ItemIndex() const { return itemIndex_; }
  // Sets the text to the item; outside the list the text is cleared unless
  // the style is csDropDown.
  void SetItemIndex(int index);
  int ListTextWidth() const { return listTextWidth_; }
  void RecomputeWidth();

  int dropDownCount = 8;
  int itemHeight = 0;  // 0: the font's line height
  bool showHinting = false;
  bool sorted = false;
  TComboBoxStyle style = OrnData::csDropDown;

  // Up and Down; true when the key was used.
  bool KeyPress(QKeyEvent* event);
  // Type-ahead on key release (with showHinting).
  void KeyRelease(QKeyEvent* event);

  void DropDown();
  void CloseUp();
  bool DroppedDown() const { return window_ && window_->isVisible(); }
  DropDownWindow* Window() const { return window_; }
  int RowHeight() const;

 signals:
  void DroppedDownSignal();
  void ClosedUp();
  void ItemChosen(int index);

 private:
  QLineEdit* edit_;
  QStringList items_;
  int itemIndex_ = -1;
  int listTextWidth_ = 0;
  QPointer<DropDownWindow> window_;
};

}  // namespace orn
