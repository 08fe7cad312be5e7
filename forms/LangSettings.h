// The language switch that every open window follows. The settings that come
// from the language file are the core's (LanguageFileSettings.h).
#pragma once

#include <string>

#include "LanguageFileSettings.h"

namespace orn {

// Qt's own texts (the file choosers' buttons and labels, the standard
// context menus) follow the system-text language: Qt's translations of
// Latvian or Russian when the system has them (Debian's
// qt6-translations-l10n), Qt's English otherwise.
void FollowLanguageInQt(int sysLanguage);

// The user chose language `chosen` (0-based) in the main window: the label,
// system and help indexes follow it, every open window re-fonts and
// re-translates, and the settings are written to `paramsFile`. False (and
// `error`) when the settings cannot be written; the windows have switched.
bool SwitchLanguage(int chosen, const std::string& paramsFile, std::string* error = nullptr);

}  // namespace orn
