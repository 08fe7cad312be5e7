// What assistive technology learns about the combo boxes with list files
// (the plain and the data-aware ones): each is a combo box whose name is its
// label, whose value is its text and whose one child is the list of its
// items, the current one selected. The text stays readable and editable
// through the text interfaces, as in any edit field.
#pragma once

namespace orn {

// Installs the combo boxes' accessibility factory once per process; every
// combo edit calls it when it is made.
void InstallComboAccessibility();

}  // namespace orn
