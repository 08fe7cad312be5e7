#include "LangSettings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "FrameworkState.h"
#include "LanguageDictionary.h"
#include "OrnForma.h"
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

void FollowLanguageInQt(int sysLanguage) {
  // One translator for the process, replaced when the language changes.
  static QTranslator* installed = nullptr;
  static int installedFor = 0;
  if (sysLanguage == installedFor) return;
  installedFor = sysLanguage;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  const char* code = sysLanguage == kLatvian ? "lv" : sysLanguage == kRussian ? "ru" : nullptr;
  if (!code || !QCoreApplication::instance()) return;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QString("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
}

bool SwitchLanguage(int chosen, const std::string& paramsFile, std::string* error) {
  FrameworkValues& v = Framework().values;
  v.language = v.sysLanguage = v.helpLanguage = chosen + 1;
  ReloadAllCharsets(v);
  FollowLanguageInQt(v.sysLanguage);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* form = qobject_cast<TOrnForm*>(window);
    if (!form) continue;
    form->ChangeCompFont();
    form->ChangeLanguage();
  }
  return SaveParams(paramsFile, error);
}

}  // namespace orn
