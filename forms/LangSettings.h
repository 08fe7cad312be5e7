// Framework settings that come from the language file, and the language
// switch that every open window follows.
#pragma once

#include <string>

namespace orn {

class LanguageDictionary;
struct FrameworkValues;

// The language file's "$" settings, read when Params.ini was missing:
// language indexes (not an integer -> 1; not set -> the label, system and
// help languages keep the locale's language), the background and logo pictures
// (default empty) and the five font settings (default, and for a blank
// value, "Not defined").
void ReadLanguageFileSettings(const LanguageDictionary& dictionary, FrameworkValues& values);

// The four character sets from "CharSetINI", each at its own kind's index.
void ReloadAllCharsets(FrameworkValues& values);

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
