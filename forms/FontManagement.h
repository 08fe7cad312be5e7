// Fonts and character sets of a window's components. Five font settings
// ("FONT:face;..." or anything else for "as designed") replace the face of
// whole groups of controls; four character sets follow the languages. On
// this platform the dictionary's lines are already decoded with their
// language's code page, so a control's character set is kept as its
// "Charset" property (sub-fonts: "<Property>Charset"), where the controls
// and tests read it.
#pragma once

#include <QFont>
#include <string>

class QWidget;

namespace orn {

// Applies one font setting to `font` and returns it: "FONT:Face Name;rest"
// (keyword in any letter case) sets the face name only; any other value
// leaves the font as it is.
QFont& ApplyFontSpec(const std::string& setting, QFont& font);

// The five font settings applied to the window and its components.
void ApplyFontSettingsTo(QWidget* form);

// The character sets applied to the window's components.
void ApplyCharsetsTo(QWidget* form);

// Character-set number kept on a control (1, the default set, when none).
int CharsetOf(const QObject* control, const char* fontProperty = "Font");

}  // namespace orn
