// The framework settings every window shares: language indexes, character
// sets, font settings and the few other values kept in Params.ini. Reading is
// a plain Name=Value lookup without regard to letter case; a missing or
// malformed value takes its default and marks the settings dirty, so that the
// file is rewritten with sound values when the owning window goes away.
#pragma once

#include <string>
#include <vector>

namespace orn {

struct FrameworkValues {
  int language = 1;
  int editLanguage = 1;
  int sysLanguage = 1;
  int helpLanguage = 1;
  int printLanguage = 1;
  int labelCharset = 186;  // BALTIC_CHARSET
  int editCharset = 186;
  int systemCharset = 186;
  int printCharset = 186;
  std::string fontForForm = "Default";
  std::string fontForGrid = "Default";
  std::string fontForGridCapture = "Default";
  std::string fontForPrint = "Default";
  std::string fontForPrintCapture = "Default";
  std::string fonForForm;   // background picture, kept for the file's sake
  std::string logoForForm;  // logo picture, kept for the file's sake
  std::string pageControl = "AS LABEL";
  int beeperLength = 0;
};

// The dictionary's languages keep their numbers: Latvian and Russian as the
// program always had them, English added after them.
constexpr int kLatvian = 1;
constexpr int kRussian = 2;
constexpr int kEnglish = 3;

// The language a first start shows, from a locale name such as
// "lv_LV.UTF-8": Latvian and Russian by their language code, English for
// any other locale (and for none).
int LanguageOfLocale(const std::string& locale);
// The locale of messages as the C library chooses it: LC_ALL, else
// LC_MESSAGES, else LANG, the first one set and not empty.
std::string MessagesLocale();

// Value of `name` in Name=Value lines (name compared without regard to case,
// value = everything after the first '='); empty when the name is missing.
std::string ParamValue(const std::vector<std::string>& lines, const std::string& name);

// Reads the settings from Params.ini's lines into `values` (character sets
// untouched). Returns true when something was missing or malformed. The
// label, system and help languages that the file does not name (absent or
// blank) take `unsetLanguage`: the user has not chosen one yet.
bool ReadParams(const std::vector<std::string>& lines, FrameworkValues& values, int unsetLanguage = 1);

// The 19 lines of Params.ini for `values`, in their fixed order.
std::vector<std::string> ParamsLines(const FrameworkValues& values);

}  // namespace orn
