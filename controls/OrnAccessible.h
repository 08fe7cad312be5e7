// What assistive technology learns about the in-house controls and the
// program's windows. The check box and radio button are panels of parts (a
// mark, a caption label, a hidden focus holder); to a screen reader each is
// one check box or radio button with the caption as its name and the mark as
// its state. Panels that only group controls are groupings (not the frames
// of top-level windows), lines are separators, and a plain top-level widget
// is a window.
#pragma once

#include <QAccessible>

class QWidget;

namespace orn {

// An item a control paints itself (a radio group's item, a combo list's
// line): no object of its own and no children; the item's class says what
// it is and where.
class PaintedItemAccessible : public QAccessibleInterface {
 public:
  QObject* object() const override { return nullptr; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}
};

// Installs the accessibility factory once per process; the controls and the
// form base call it when they are made.
void InstallOrnAccessibility();

// Gives `widget` the role `role` for assistive technology, whatever its
// class would have: the main window is a window, not a dialog; a pair of
// buttons that switch pages are page tabs (selected while checked) in a
// page tab list.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

// A label whose text is a value that changes (the calculator's display):
// read-only text with a name of its own, whose changes are announced by
// AnnounceTextChange.
void SetReadOnlyText(QWidget* label);
void AnnounceTextChange(QWidget* label, const QString& oldText, const QString& newText);

}  // namespace orn
