// The gallery's page of the data-aware controls, over a working copy of the
// bundled example tables.
#pragma once

#include <QString>

class QWidget;

namespace gallery {

// The bundled example folder: beside the program, in its share folder when
// installed, or in the source tree of the build; "" when none is found.
QString FindExampleData();

// Builds the page over a copy of `exampleData` (the shipped tables are never
// changed); a page that says what went wrong when the tables cannot be used.
QWidget* MakeDataPage(const QString& exampleData);

// Shows the combo box's list dropped down, or the lookup list's search
// panel with a typed text, for pictures of the page.
void DropComboList(QWidget* page);
void OpenComboEditor(QWidget* page);
void OpenListBoxEditor(QWidget* page);
// Leaves the sum edit holding a sum out of its range.
void LeaveSumOutOfRange(QWidget* page);
void ShowLookupSearch(QWidget* page, const QString& typed);

}  // namespace gallery
