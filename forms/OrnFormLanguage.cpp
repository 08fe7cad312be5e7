// Run-time translation and fonts of a window. The form base calls these at
// the points where texts, character sets and fonts must follow the framework
// settings; until translation is wired to the dictionary they leave the
// window's design texts and fonts as they are.
#include "OrnForma.h"

void TOrnForm::ApplyFontSettings() {}
void TOrnForm::ChangeLanguage() {}
void TOrnForm::ChangeCompFont() {}
void TOrnForm::ReloadCharSets() {}
void TOrnForm::SaveCompToINI() {}
