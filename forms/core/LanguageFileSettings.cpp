#include "LanguageFileSettings.h"

#include <cstdlib>

#include "FrameworkState.h"
#include "LanguageDictionary.h"
#include "TextLookups.h"
#include "TextUtil.h"

namespace orn {

namespace {
// A language index of the language file; one the file does not set keeps
// `current` (the locale's language on a first start).
int IntegerOr1(const std::optional<std::string>& text, int current = 1) {
  if (!text) return current;
  const std::string t = Trim(*text);
  if (t.empty()) return 1;
  char* end = nullptr;
  const long value = std::strtol(t.c_str(), &end, 10);
  if (*end != 0 || value < -2147483647L - 1 || value > 2147483647L) return 1;
  return static_cast<int>(value);
}

std::string FontSetting(const std::optional<std::string>& text) {
  if (!text || Trim(*text).empty()) return "Not defined";
  return *text;
}
}  // namespace

void ReadLanguageFileSettings(const LanguageDictionary& d, FrameworkValues& v) {
  v.language = IntegerOr1(d.Setting("Language"), v.language);
  v.editLanguage = IntegerOr1(d.Setting("EditLanguage"));
  v.sysLanguage = IntegerOr1(d.Setting("SysLanguage"), v.sysLanguage);
  v.helpLanguage = IntegerOr1(d.Setting("HelpLanguage"), v.helpLanguage);
  v.printLanguage = IntegerOr1(d.Setting("PrintLanguage"));
  v.fonForForm = d.Setting("FonForForm").value_or("");
  v.logoForForm = d.Setting("LogoForForm").value_or("");
  v.fontForForm = FontSetting(d.Setting("Font For Form"));
  v.fontForGrid = FontSetting(d.Setting("Font For Grid"));
  v.fontForGridCapture = FontSetting(d.Setting("Font For Grid Capture"));
  v.fontForPrintCapture = FontSetting(d.Setting("Font For Print Capture"));
  v.fontForPrint = FontSetting(d.Setting("Font For Print"));
}

void ReloadAllCharsets(FrameworkValues& v) {
  v.labelCharset = CharsetFromText(LabelText("CharSetINI"));
  v.editCharset = CharsetFromText(EditText("CharSetINI"));
  v.systemCharset = CharsetFromText(SystemText("CharSetINI"));
  v.printCharset = CharsetFromText(PrintText("CharSetINI"));
}

FrameworkOwnership AcquireFrameworkWithoutWindow(const std::string& paramsFile, const std::string& languageIni) {
  FrameworkOwnership ownership = AcquireFrameworkSettings(paramsFile);
  if (!Framework().dictionary && AcquireDictionary(ownership, languageIni) && !Framework().dictionary->Empty()) {
    if (Framework().settingsFromLanguageFile) ReadLanguageFileSettings(*Framework().dictionary, Framework().values);
    ReloadAllCharsets(Framework().values);
  }
  return ownership;
}

}  // namespace orn
