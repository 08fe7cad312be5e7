#include "FrameworkSettings.h"

#include <cstdlib>

#include "TextUtil.h"

namespace orn {

namespace {

bool HasName(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && EqualsIgnoringCase(line.substr(0, eq), name)) return true;
  }
  return false;
}

bool IsBlank(const std::string& value) { return value.find_first_not_of(' ') == std::string::npos; }

// An integer setting: blank or not an integer -> the default, dirty. A
// blank value takes `unset` (the setting was never chosen).
void ReadInt(const std::vector<std::string>& lines, const char* name, int fallback, int& target, bool& dirty,
             std::optional<int> unset = std::nullopt) {
  std::string value = ParamValue(lines, name);
  auto number = IsBlank(value) ? std::nullopt : ParseInt32(value);
  target = number ? *number : IsBlank(value) && unset ? *unset : fallback;
  if (!number) dirty = true;
}

// A picture or page-control setting: taken as read; dirty only when absent.
void ReadText(const std::vector<std::string>& lines, const char* name, std::string& target, bool& dirty) {
  target = ParamValue(lines, name);
  if (IsBlank(target) && !HasName(lines, name)) dirty = true;
}

// A font setting: blank -> "Default", dirty only when absent.
void ReadFont(const std::vector<std::string>& lines, const char* name, std::string& target, bool& dirty) {
  std::string value = ParamValue(lines, name);
  if (!IsBlank(value)) {
    target = value;
    return;
  }
  target = "Default";
  if (!HasName(lines, name)) dirty = true;
}

}  // namespace

int LanguageOfLocale(const std::string& locale) {
  const std::string code = UpperAscii(locale.substr(0, locale.find_first_of("_.@")));
  if (code == "LV") return kLatvian;
  if (code == "RU") return kRussian;
  return kEnglish;
}

std::string MessagesLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(variable); value && *value) return value;
  return {};
}

std::string ParamValue(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && EqualsIgnoringCase(line.substr(0, eq), name)) return line.substr(eq + 1);
  }
  return {};
}

bool ReadParams(const std::vector<std::string>& lines, FrameworkValues& v, int unsetLanguage) {
  bool dirty = false;
  ReadInt(lines, "Language", 1, v.language, dirty, unsetLanguage);
  ReadInt(lines, "EditLanguage", 1, v.editLanguage, dirty);
  ReadInt(lines, "SysLanguage", 1, v.sysLanguage, dirty, unsetLanguage);
  ReadInt(lines, "HelpLanguage", 1, v.helpLanguage, dirty, unsetLanguage);
  ReadInt(lines, "PrintLanguage", 1, v.printLanguage, dirty);
  ReadText(lines, "FonForForm", v.fonForForm, dirty);
  ReadText(lines, "LogoForForm", v.logoForForm, dirty);
  ReadText(lines, "PAGE CONTROL", v.pageControl, dirty);
  ReadInt(lines, "Beeper Length", 0, v.beeperLength, dirty);
  ReadFont(lines, "Font For Form", v.fontForForm, dirty);
  ReadFont(lines, "Font For Grid", v.fontForGrid, dirty);
  ReadFont(lines, "Font For Grid Capture", v.fontForGridCapture, dirty);
  ReadFont(lines, "Font For Print Capture", v.fontForPrintCapture, dirty);
  ReadFont(lines, "Font For Print", v.fontForPrint, dirty);
  return dirty;
}

std::vector<std::string> ParamsLines(const FrameworkValues& v) {
  return {
      "{Languages}",
      "LANGUAGE=" + std::to_string(v.language),
      "EDITLANGUAGE=" + std::to_string(v.editLanguage),
      "SYSLANGUAGE=" + std::to_string(v.sysLanguage),
      "HELPLANGUAGE=" + std::to_string(v.helpLanguage),
      "PRINTLANGUAGE=" + std::to_string(v.printLanguage),
      "{Fonts}",
      "FONT FOR FORM=" + v.fontForForm,
      "FONT FOR GRID=" + v.fontForGrid,
      "FONT FOR GRID CAPTURE=" + v.fontForGridCapture,
      "FONT FOR PRINT=" + v.fontForPrint,
      "FONT FOR PRINT CAPTURE=" + v.fontForPrintCapture,
      "{Background}",
      "FONFORFORM=" + v.fonForForm,
      "LOGOFORFORM=" + v.logoForForm,
      "{PageControlStyle}",
      "PAGE CONTROL=" + v.pageControl,
      "{Beeper}",
      "BEEPER LENGTH=" + std::to_string(v.beeperLength),
  };
}

}  // namespace orn
