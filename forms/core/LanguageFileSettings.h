// The framework settings that come from the language file, and the creation
// steps of the framework state for a program that runs without windows (an
// unattended run reads the same settings and dictionary as the windows, so
// that its log speaks the same language).
#pragma once

#include <string>

#include "FrameworkState.h"

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

// The form base's creation steps without a form: Params.ini, the
// dictionary from `languageIni`, the language file's settings when
// Params.ini was missing, and the character sets. The caller releases what
// it owns with ReleaseFramework (which writes Params.ini when dirty).
FrameworkOwnership AcquireFrameworkWithoutWindow(const std::string& paramsFile, const std::string& languageIni);

}  // namespace orn
